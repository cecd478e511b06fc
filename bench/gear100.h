#pragma once
// The gear of the tooth benchmarks: gear 2 of 100 teeth, mn 3, helical 20 degrees, cut by a
// protuberance tool with a root radius (gear 1 of 20 teeth); the caller sets the resolutions
// and calculates.

#include "calc/geardata.h"

inline void SetUpGear100() {
    InitGearDataUnit();
    TGearData& g = GearData;
    g.alpha = 20;
    g.beta = 20;
    g.mn = 3;
    g.b = 30;
    g.a = 0;
    g.AaField = 9;
    g.z = {20, 100};
    g.x = {0, 0.2L};
    g.bGear = {30, 30};
    g.BasicRackType = {1, 4};
    g.haP0mn[2] = 1.4L;
    g.hfP0mn[2] = 1;
    g.rhoaP0mn[2] = 0.4L;
    g.rhofP0mn[2] = 0.2L;
    g.prP0mn[2] = 0.02L;
    g.alprP0[2] = 6;
    g.TipInputMode = {2, 2};
    g.TsnSeries = {11, 11};
    g.DM = {3.5L, 5};
}
