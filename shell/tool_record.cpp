#include "shell/tool_record.h"

#include <cmath>

#include "calc/geardata.h"
#include "shell/tool_table.h"

ToolPickFunc ToolPick = &SelectToolProfile;

void TakeToolRecord(int gear, const TToolRecord& tool) {
    TGearData& g = GearData;
    auto take = [&tool](int field, long double& target) {
        if (std::isfinite(tool.Reals[field])) target = tool.Reals[field];
    };
    take(1, g.hfP0mn[gear]);
    take(2, g.haP0mn[gear]);
    take(3, g.rhoaP0mn[gear]);
    take(4, g.alkP0[gear]);
    take(5, g.hFfP0mn[gear]);
    take(6, g.alprP0[gear]);
    take(7, g.prP0mn[gear]);
    take(8, g.rhofP0mn[gear]);
    // A blank field reads as 0: no pressure angle is 0.
    if (std::isfinite(tool.Reals[9]) && tool.Reals[9] > 0.0L) g.alpha = tool.Reals[9];
    g.BasicRackName[gear] = tool.Texts[5];
    g.BasicRackType[gear] = 0;
}
