#include "drawings/workshop.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "calc/geardata.h"
#include "calc/inspect.h"
#include "drawings/datatables.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/listing.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "platform/os/utf8.h"

std::string WorkshopSheetFileName() {
    // A file name holds at most 255 bytes: a job name that long gives up its end to the suffix.
    constexpr std::string_view kSuffix = "_sheet.txt";
    const std::size_t slash = DataFileName.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return DataFileName.substr(0, start) +
           os::Utf8LeftBytes(std::string_view(DataFileName).substr(start), 255 - kSuffix.size()) +
           std::string(kSuffix);
}

void WorkshopSheet(std::uint16_t device) {
    WriteWorkshopSheet(2, device);
}

void WriteWorkshopSheet(std::uint16_t g, std::uint16_t device) {
    const TGearData& gd = GearData;
    if (g != 1) g = 2;
    const std::string title = LeftStr(
        LeftStr(LeftStr(ProductTitle + " V", 27) + VersionCode.str(), 33) + "  Production Sheet",
        51);
    ListHeader(title, ListNumberLine(gd.DrawingName[1].str(), gd.DrawingNumber[1].str()),
               ListNumberLine(gd.DrawingName[2].str(), gd.DrawingNumber[2].str()),
               TitleTexts[1].str(), TitleTexts[2].str(), 0);
    ListSetHeaderFields("", "Symbol", "Unit", "premach.", "finished");
    if (CalcErrorFlag != 0) {
        ShowCalcMessages();
        return;
    }
    TextLineCount = 0;
    ListBegin(device, WorkshopSheetFileName());
    if (AbortFlag != 0) return;
    // ListEnd on every way out: a failed sheet leaves neither a draft nor half a file.
    if (!ListRewrite()) {
        ListEnd();
        return;
    }
    ListHead(0, 1);
    if (AbortFlag != 0) {
        ListEnd();
        return;
    }

    ListLine(LeftStr(LeftStr(LeftStr("printout  " + gd.DrawingName[g].str(), 35) + " ", 36) +
                         gd.DrawingNumber[g].str(),
                     54));
    ListLine(ListDoubleRuleLine());

    const std::string L = LengthUnitText();
    // A dimension without solution (NaN, with its message in the list) stays empty.
    auto dim = [](int n, long double v) { return std::isnan(v) ? "" : LengthToStrDec(n, v); };
    auto pair = [&](const char* designation, const char* symbol, long double pre, long double fin) {
        ListValuePairLine(designation, symbol, L, dim(3, pre), dim(3, fin));
    };
    // A ring gear's inspection dimensions without the sign of its diameters, the larger limit
    // in the max. row, as the production drawing gives them.
    auto size = [g](long double v) { return InspectionSize(g, v); };
    auto limitRows = [&](const char* designation, const char* maxSymbol, const char* minSymbol,
                         const TInspectionLimits& v) {
        pair(designation, maxSymbol, v.maxV, v.max);
        pair(designation, minSymbol, v.minV, v.min);
    };
    ListValueLine("Pressure Angle", "alpha", "deg", FloatToStrFix(2, 5, gd.alpha));
    ListValueLine("Helix angle", "beta", "deg", FloatToStrFix(2, 5, gd.beta));
    ListValueLine("Normal module", "mn", L, LengthToStrFix(2, 4, gd.mn));
    if (UnitSystem == 1) ListValueLine("Normal Pitch", "Pn", "1/in", FloatToStrFix(3, 3, gd.Pn));
    ListValueLine("No.of teeth", "z", "", IntToStrLeadBlank(gd.z[g], 5));
    ListValueLine("Profile shift coeff.", "xnom.", "", FloatToStrFix(2, 4, gd.x[g]));
    ListValueLine("Generated pitch diameter", "d", L, LengthToStrFix(5, 3, fabsl(gd.d[g])));
    ListValueLine("Root diameter", "df", L, LengthToStrFix(5, 3, fabsl(gd.dfmax[g])));
    ListValueLine("Tip dia.w.short addendum", "da", L, LengthToStrFix(5, 3, fabsl(gd.da[g])));
    ListValueLine("tolerance zone to DIN 3967", "", "", gd.TolZone[g].str());
    if (gd.q[1] != 0 || gd.q[2] != 0)
        ListValueLine("Machining allowance", "q", L,
                      LengthToStrDec(3, gd.q[g]) + " +" + LengthToStrDec(3, gd.qTol[g]));
    ListValueLine("Dim.ov/betw.pins", "MdR th.", L, dim(4, size(gd.MdRtheo[g])));
    limitRows("Dim.ov/betw.pins", "MdR max.", "MdR min.", PinLimits(g));
    pair("Ball/pin diameter", "DM", size(ShownBallDiameter(g)), size(ShownBallDiameter(g)));
    ListValueLine("Dim.ov/betw.balls", "MdK th.", L, dim(4, size(gd.MdKtheo[g])));
    limitRows("Dim.ov/betw.balls", "MdK max.", "MdK min.", BallLimits(g));
    ListValueLine("Span measurement", "W theor.", L, dim(4, size(gd.Wtheo[g])));
    limitRows("Span measurement", "W max.", "W min.", SpanLimits(g));
    const std::string k = SpannedCount(g);
    ListValuePairLine(SpannedText(g), "k", "", k, k);

    ListSectionBreak();
    ListEnd();
    RestoreCursor();
}
