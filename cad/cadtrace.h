#pragma once
// cadtrace: the lines a drawing draws, kept as straight pieces (arcs, circles and bulged polyline
// segments by chords close to the curve), so that its texts can be put where no line runs. A
// drawing traces its geometry while it draws it (CadDrawTraced) or without drawing it
// (CadTrace), then tries the places of its labels against the trace. Block definitions are
// traced under their names and placed by their inserts; a text by the outline of its visible
// characters.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cad/cadwriter.h"

class TCadTrace : public TCadWriter {
public:
    void BeginBlock(std::string_view name) override;
    void AbandonBlock() override;
    void EndBlock() override;
    void Line(long double x1, long double y1, long double x2, long double y2) override;
    void Circle(long double x, long double y, long double r) override;
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r) override;
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override;
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY) override;
    bool Polylines() const override { return to_ == nullptr || to_->Polylines(); }
    void BeginPolyline(std::uint8_t flags) override;
    void Vertex(long double x, long double y, long double bulge) override;
    void EndPolyline() override;
    void Text(std::string_view text, long double x, long double y) override;
    // While drawing through (CadDrawTraced), what only the output uses.
    void SetColour(std::int32_t c) override;
    void SetTextStyle(std::int32_t font, long double angleDeg, long double height,
                      long double width) override;
    void SetLineStyle(std::int32_t style) override;

    // How many traced pieces run through the parallelogram from (x, y) spanned by the edges
    // (ux, uy) and (vx, vy), grown by margin on every side.
    int Crossings(long double x, long double y, long double ux, long double uy, long double vx,
                  long double vy, long double margin = 0) const;
    std::size_t Pieces() const { return model_.size(); }

private:
    struct TPiece {
        double x1, y1, x2, y2;
    };
    void Add(long double x1, long double y1, long double x2, long double y2);
    void Curve(long double xc, long double yc, long double r, long double a0, long double sweep);
    void Point(long double x, long double y, long double bulge); // a polyline vertex

    std::vector<TPiece> model_;
    std::map<std::string, std::vector<TPiece>> blocks_;
    std::vector<TPiece>* current_ = &model_;
    TCadWriter* to_ = nullptr; // the output drawn through
    friend void CadDrawTraced(TCadTrace&, const std::function<void()>&);
    long double px_ = 0, py_ = 0, pb_ = 0, fx_ = 0, fy_ = 0;
    bool vertex_ = false, closed_ = false;
};

// Runs draw with every primitive, block definition and insert going into trace instead of the
// output, which stays as it was (as CadMeasure does).
void CadTrace(TCadTrace& trace, const std::function<void()>& draw);
// Runs draw into the output as it is and into trace as well.
void CadDrawTraced(TCadTrace& trace, const std::function<void()>& draw);
