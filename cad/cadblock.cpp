#include "cad/cadblock.h"

#include <algorithm>
#include <map>

#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"

namespace {

bool BlockBegun = false; // a definition was begun and not yet ended
long double FooterTop = 0;

// The blocks defined in this drawing, by their name in capitals: an insert names its block
// without regard to letter case, and every output gets the name as it was defined.
std::map<std::string, std::string>& DefinedBlocks() {
    static std::map<std::string, std::string> names;
    return names;
}

std::string_view DefinedName(std::string_view name) {
    const auto& names = DefinedBlocks();
    const auto it = names.find(UpperCaseStr(name));
    return it != names.end() ? std::string_view(it->second) : name;
}

void InsertLogo(const char* name, long double fy) {
    const std::string file = AddBackslash(TempDir) + "$" + name + ".dx$";
    if (!FileExist(file)) return;
    const TCadExtents& x = CadExtents;
    CadInsertBlock(name, x.XMin + 0.91L * x.Width, x.YMin + fy * x.Height, 0, x.Width / 480,
                   x.Height / 360);
}

} // namespace

void CadBeginDrawing(long double xmin, long double ymin, long double xmax, long double ymax) {
    CadExtents = TCadExtents{xmin, xmax, ymin, ymax, xmax - xmin, ymax - ymin};
    DefinedBlocks().clear();
    TCadWriter* out = CurrentCadWriter();
    out->BeginDrawing(xmin, ymin, xmax, ymax);
    if (out->DrawsSheet() && PrintBorder) {
        CadSetColour(19);
        CadRectangle(xmin, ymin, xmax, ymax);
    }
    FooterTop = ymin;
    if (!out->IsScreen()) return;
    const TCadExtents& x = CadExtents;
    // The footer is for the screen: at least a readable line on it (6 pixels of the virtual
    // screen before the replay's factor 1.6), in the proportions of the sheet's other texts
    // (a portrait sheet's width would squeeze it).
    const long double minHeight = ScaleY > 0 ? 6.0L / ScaleY : 0;
    const long double footer = std::max(0.006L * x.Height, minHeight);
    CadSetTextSize(2, 0, footer, 0.75L * footer);
    CadSetColour(30);
    // The job's file as the frames name it (a job named on the command line keeps its name).
    const std::string path = ShortenMiddle(OutputFileName(), 120);
    if (NoDrawingFooter) return;
    const long double y = x.YMin + 0.002L * x.Height;
    CadText(DateString() + " " + TimeString() + " - " + "KELMORA " + ProductTitle + " V" +
                VersionCode.str() + " - " + path,
            x.XMin + 0.005L * x.Width, y);
    // The window draws a text 1.6 times its height high, three quarters of it above the line.
    FooterTop = y + 0.75L * 1.6L * TextHeightFactor * footer;
}

long double CadFooterTop() {
    return FooterTop;
}

bool CadJoinDrawings() {
    return CurrentCadWriter()->JoinDrawings();
}

void CadWriteTables(std::int32_t layerSet) {
    CurrentCadWriter()->WriteTables(layerSet);
}

void CadBeginBlocksSection() {
    CurrentCadWriter()->BeginBlocksSection();
    CadRouteBlocks(true);
}

void CadBeginBlock(std::string_view name) {
    if (AbortFlag) return;
    DefinedBlocks()[UpperCaseStr(name)] = std::string(name);
    CadActiveWriter()->BeginBlock(name);
    if (!AbortFlag) BlockBegun = true;
}

void CadEndBlock() {
    const bool begun = BlockBegun;
    BlockBegun = false;
    if (AbortFlag) {
        AbortFlag = 0;
        // A definition cut short: the file output stays well-formed, the screen keeps no
        // half block.
        if (begun) CadActiveWriter()->AbandonBlock();
        return;
    }
    CadActiveWriter()->EndBlock();
}

void CadEndSection() {
    CadRouteBlocks(false);
    CurrentCadWriter()->EndSection();
}

void CadBeginEntities() {
    TCadWriter* out = CurrentCadWriter();
    out->BeginEntities();
    if (out->DrawsSheet() && DrawingKind != 2 && DrawingKind != 3) {
        InsertLogo("LOGO_2", 0.01L);
        InsertLogo("LOGO_3", 0.96L);
    }
}

void CadInsertBlock(std::string_view name, long double x, long double y, long double angleDeg,
                    long double sx, long double sy) {
    CadActiveWriter()->Insert(DefinedName(name), x, y, angleDeg, sx, sy);
}

void CadDrawBlockFile(std::string_view name, long double x, long double y, long double angleDeg,
                      long double sx, long double sy) {
    if (auto* screen = dynamic_cast<TScreenWriter*>(CadActiveWriter()))
        screen->DrawBlockFile(name, x, y, angleDeg, sx, sy);
}
