#pragma once
// cadbounds: what a drawing covers, worked out from the primitives as they are written. The
// DXF writer puts it into $EXTMIN / $EXTMAX, the IGES writer into the largest coordinate of its
// global section, and the sheets measure their views with it before they place them.
//
// Model space is kept as a box (arcs by their true extreme points). A block definition is kept
// as the convex outline of its points (arcs and circles by an enclosing polygon whose corners lie
// at most 4e-5 r outside the curve), so that an insert adds the outline moved, turned and scaled
// as the insert places it. Texts count as the box of n characters of height x width factor
// beside height, turned by the text angle: the width every writer and the layer's alignment use;
// a file's extents add the descenders below the baseline (kTextDescent of the height), where a
// reader's box of the text reaches.

#include <map>
#include <string>
#include <string_view>
#include <vector>

// The part of a text's height that its descenders reach below the baseline in a reader's box
// (the 0.333 that DXF readers take for a text without its font).
constexpr long double kTextDescent = 0.333L;

struct TCadBox {
    long double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    bool Empty = true;

    void Add(long double x, long double y);
    void Add(const TCadBox& b);
    long double Width() const { return Empty ? 0 : XMax - XMin; }
    long double Height() const { return Empty ? 0 : YMax - YMin; }
    // The largest absolute coordinate (0 for an empty box).
    long double MaxAbs() const;
    // True when the two boxes share more than a boundary (gap: how far apart they must be).
    bool Overlaps(const TCadBox& b, long double gap = 0) const;
    // True when b lies inside this box (tolerance tol).
    bool Contains(const TCadBox& b, long double tol = 0) const;
};

class TCadBounds {
public:
    struct TPoint {
        long double x, y;
    };

    TCadBounds() = default;
    TCadBounds(const TCadBounds&) = delete;
    TCadBounds& operator=(const TCadBounds&) = delete;
    // Forgets everything.
    void Clear();

    // Starts a block definition: the following primitives go into its outline.
    void BeginBlock(std::string_view name);
    void EndBlock();
    bool InBlock() const { return current_ != nullptr; }

    void Point(long double x, long double y);
    void Line(long double x1, long double y1, long double x2, long double y2);
    void Circle(long double x, long double y, long double r);
    // Degrees, counter-clockwise from start to end.
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r);
    // A polyline segment from (x1, y1) to (x2, y2) with its DXF bulge.
    void Segment(long double x1, long double y1, long double x2, long double y2, long double bulge);
    // descent: how far below the baseline the box reaches, as a share of the height.
    void Text(long double x, long double y, long double chars, long double height,
              long double widthFactor, long double angleDeg, long double descent = 0);
    // A polyline vertex by vertex, each with the bulge of the segment to the next one.
    void BeginPolyline(bool closed);
    void Vertex(long double x, long double y, long double bulge);
    void EndPolyline();
    // The outline of a block defined before (names without regard to letter case); a block that
    // was never defined adds nothing. pad: a margin about each point as placed (how far the
    // file's rounding of the block's points, magnified by the scale, may move them).
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY, long double pad = 0);
    // The box a block would cover placed so (empty when unknown); nothing is added.
    TCadBox Placed(std::string_view name, long double x, long double y, long double angleDeg,
                   long double scaleX, long double scaleY) const;
    // The corners of a block's outline placed so.
    std::vector<TPoint> PlacedOutline(std::string_view name, long double x, long double y,
                                      long double angleDeg, long double scaleX,
                                      long double scaleY) const;

    // What the model space covers.
    const TCadBox& Model() const { return model_; }
    // The box of a block's outline at its own origin (empty when unknown).
    TCadBox Block(std::string_view name) const;
    bool HasBlock(std::string_view name) const;

private:
    void Add(long double x, long double y);
    void ArcPoints(long double xc, long double yc, long double a0, long double sweep,
                   long double r);

    TCadBox model_;
    TPoint first_{0, 0}, prev_{0, 0};
    long double prevBulge_ = 0;
    bool closed_ = false, hasVertex_ = false;
    std::map<std::string, std::vector<TPoint>> blocks_;
    std::vector<TPoint>* current_ = nullptr;
    std::string currentName_;
};
