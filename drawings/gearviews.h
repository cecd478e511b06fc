#pragma once
// Whole gears and gear pairs built from the tooth blocks the caller has defined ("EVOLV" + i,
// "ZAHN" + i, toothform.h; "RAD" + i, the wheel below): the wheel of one gear, a ring gear with
// its planet rolling inside, planets in mesh around a central gear, and the tooth contact of the
// pair with its path of contact. Gear 1's centre is the origin, gear 2's lies at (0, aDraw);
// lengths mm, insert rotations degrees. Every picture uses the drawing's shift pair (dwx, dax,
// dfx) that DiametersForShift set for aDraw.

#include <cstdint>

#include "framework/core/maths.h"

// The operating transverse pressure angle (rad) of the pair at the drawing's centre distance
// aDraw: the angle DiametersForShift based dwx on (alphat while aDraw is 0 or impossible).
Extended DrawingPressureAngle();

// Content of "RAD" + gear: |z| inserts of "EVOLV" + gear (and of "ZAHN" + gear with
// withToothShape) about the origin, a gap on the +y axis.
void DrawGearWheel(std::uint16_t gear, bool withToothShape);
// The internal gear 2 with the circle of its operating pitch diameter and gear 1 ("RAD1") at
// RingGearShapes positions rolling inside it.
void DrawRingGearWithPlanet();
// The central gear and count planets in mesh around it (count 0 means 3). centreSelector 1:
// gear 2 in the centre and gear 1 as planets, else the other way round. angle: rotation of
// gear 1 (degrees).
void PlaceGearsInMesh(std::int32_t count, std::uint16_t centreSelector, Extended angle);
// Three teeth of gear 1 and four of gear 2 in mesh, gear 1 turned by angle (degrees); with
// withAnnotation also the window frame (half width W, from Y0 to Y1), the data box below it,
// the diameter arcs, the path of contact and its points A, B, C, D and E.
void DrawToothContact(bool withAnnotation, Extended W, Extended Y0, Extended Y1, Extended angle);
