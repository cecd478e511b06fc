#pragma once
// igeswrite: the writer of CAD code 2, an IGES file in fixed 80-column ASCII form with the
// sections Start (S), Global (G), Directory Entry (D), Parameter Data (P) and Terminate (T).
// The P section follows the D section in the file but both grow entity by entity: S, G and D
// go straight to the output, the P records into a temporary file in TempDir (never the current
// directory), appended when the output closes.
//
// Entities: 100 circular arc, 106 copious data form 11 (outline of a solid), 110 line, 124
// transformation matrix, 212 general note, 308 subfigure definition, 408 singular subfigure
// instance. Blocks become subfigures, found again by their first 8 characters without regard
// to letter case; an insert of a name never defined is reported ("Blockname ... not found !")
// and left out. Coordinates carry CadDecimals decimals (at least 3), matrix entries 15, so
// the IGES file holds the same geometry as the DXF file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cad/cadwriter.h"
#include "platform/os/file.h"

class TIgesWriter : public TCadWriter {
public:
    ~TIgesWriter() override;
    std::string Extension() const override { return "igs"; }
    // Creates the temporary parameter file; a failure is shown.
    bool Open(std::unique_ptr<TCadSink> sink) override;
    // Appends the P records, writes the T record, removes the temporary file.
    int Close() override;
    void Abandon() override;

    // The S and G sections, named after CadFileName; the largest coordinate max(xmax, ymax).
    void BeginDrawing(long double xmin, long double ymin, long double xmax,
                      long double ymax) override;
    void BeginBlock(std::string_view name) override;
    void EndBlock() override;

    void Line(long double x1, long double y1, long double x2, long double y2) override;
    void Circle(long double x, long double y, long double r) override;
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r) override;
    void Text(std::string_view text, long double x, long double y) override;
    // The outline in the DXF vertex order 1-2-4-3-1.
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override;
    // 408 with the scale |s|; a negative uniform scale turns the block by 180 degrees, a
    // mirroring one (signs differ) gets a reflecting matrix. Unequal scales take the x scale.
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY) override;
    // Colour number and line font of the following entities.
    void SetColour(std::int32_t c) override;

    // IGES colour number of a colour index (1..15 by the CAD colour table, else 0).
    static int IgesColour(int index);
    // The Hollerith form "5HHELLO" (the length counts bytes).
    static std::string Hollerith(std::string_view s);
    // The global section's date field: yymmdd.081107 as a Hollerith string.
    static std::string DateField(int year, int month, int day);

private:
    struct Subfigure {
        std::string key; // first 8 characters, upper case
        std::string name;
        long long de = 0;
    };

    void Reset();
    void Record(std::string& out, std::string_view data, std::string_view pointer, char letter,
                long long& counter);
    void Wrapped(std::string_view data, char letter, long long& counter, std::size_t width);
    void BeginEntity(bool member = true);
    void Params(std::string_view text);
    void Directory(int type, std::string_view matrix, std::string_view form, std::string_view label,
                   bool subordinate);
    static void Real(std::string& out, long double x);
    // A matrix entry: enough digits that a rotated block lands where the DXF file puts it.
    struct Unit {
        long double value;
    };
    // Appends the items in order: reals with the file's decimals, matrix entries, texts.
    static void Put(std::string& out);
    template <class... Rest> static void Put(std::string& out, long double x, Rest... rest) {
        Real(out, x);
        Put(out, rest...);
    }
    template <class... Rest> static void Put(std::string& out, Unit u, Rest... rest) {
        AppendUnit(out, u.value);
        Put(out, rest...);
    }
    template <class... Rest>
    static void Put(std::string& out, std::string_view text, Rest... rest) {
        out += text;
        Put(out, rest...);
    }
    static void AppendUnit(std::string& out, long double x);
    void ArcEntity(long double xc, long double yc, long double xs, long double ys, long double xe,
                   long double ye);
    void FlushP();
    void FlushD();

    std::unique_ptr<TCadSink> sink_;
    os::File temp_;
    std::string tempName_;
    std::string dbuf_; // S, G, D (and T) records for the output
    std::string pbuf_; // P records for the temporary file
    std::string param_;
    std::string scratch_;
    bool failed_ = false;

    long long s_ = 0, g_ = 0, d_ = 0, p_ = 0;
    long long currentDe_ = -1;
    long long paramPointer_ = 1;
    long long paramLines_ = 0;
    int colour_ = 0;
    int lineFont_ = 1;
    bool inSubfigure_ = false;
    std::vector<long long> members_;
    std::vector<Subfigure> subfigures_;
};
