#pragma once
// igeswrite: the writer of CAD code 2, an IGES file in fixed 80-column ASCII form with the
// sections Start (S), Global (G), Directory Entry (D), Parameter Data (P) and Terminate (T).
// The sections are collected while the drawing is written (the P records in a temporary file
// in TempDir, never the current directory; the D records in memory, beyond a few megabytes in a
// second one) and put together when the output closes, after the global section, which then
// knows the largest coordinate of what was drawn.
//
// Entities: 100 circular arc, 106 copious data form 11 (outline of a solid), 110 line, 124
// transformation matrix, 212 general note, 308 subfigure definition, 408 singular subfigure
// instance. Blocks become subfigures, found again by their first 8 characters without regard
// to letter case. A definition goes into the file when something first places it, marked as a
// definition (entity use flag 02) that the instances use (subordinate switch 01), with its
// members subordinate and its nesting depth counted; a block that nothing places is left out,
// so no reader shows it as geometry of its own. An insert of a name never defined is reported
// ("Blockname ... not found !") and left out. Coordinates carry CadDecimals decimals (at least
// 3), matrix entries 15, so the IGES file holds the same geometry as the DXF file.
//
// Global section: IGES 5.3 (version flag 11), the date and time of writing in the 15-character
// form YYYYMMDD.HHNNSS, the author (the name in the drawing texts' "Compl." row, else the login
// name), the largest coordinate rounded up. Every string is plain ASCII (IgesFileText); each
// entity carries a line weight by its layer's line thickness (0.25 to 1 mm).

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cad/cadbounds.h"
#include "cad/cadwriter.h"

class TIgesWriter : public TCadWriter {
public:
    ~TIgesWriter() override;
    std::string Extension() const override { return "igs"; }
    // Creates the temporary parameter file; a failure is shown.
    bool Open(std::unique_ptr<TCadSink> sink) override;
    // Writes the S and G sections, the collected D and P records and the T record.
    int Close() override;
    void Abandon() override;
    // Every drawing begun while the file is open goes into it.
    bool JoinDrawings() override { return sink_ != nullptr; }

    // Notes the drawing's limits (the global section is written at the end).
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
    // Colour number, line font and line weight of the following entities.
    void SetColour(std::int32_t c) override;

    // IGES colour number of a colour index (1..15 by the CAD colour table, else 0).
    static int IgesColour(int index);
    // The Hollerith form "5HHELLO" (the length counts bytes).
    static std::string Hollerith(std::string_view s);
    // The global section's date field of a time: 15HYYYYMMDD.HHNNSS.
    static std::string DateField(const std::tm& t);
    // The author of the file: the drawing texts' "Compl." name, else the login name, in ASCII.
    static std::string Author();

private:
    // An entity as drawn: its kind, numbers and the pen it was drawn with. Its records are made
    // when it is written, at the scale of the definition it belongs to.
    struct TEntity {
        int type = 0;                 // 100 arc or circle, 106 solid, 110 line, 212 text, 408
        std::array<long double, 9> v{}; // coordinates (and a text's width, height and angle)
        std::string text;             // 212: the string; 408: the block's name
        int colour = 0, lineFont = 1, weight = 0;
    };
    struct TDefinition {
        std::string name;
        std::vector<TEntity> members;
        std::map<std::string, long long> written; // D number by the scale it was written at
        int depth = 0;
        bool writing = false;
    };

    void Reset();
    void Record(std::string& out, std::string_view data, std::string_view pointer, char letter,
                long long& counter);
    void Wrapped(std::string& out, std::string_view data, char letter, long long& counter);
    TEntity NewEntity(int type, std::initializer_list<long double> v);
    // Writes an entity now, or keeps it for the block being defined.
    void Put(TEntity&& e);
    // Writes the entity's records at scale k; its D number (0 when nothing was written).
    long long WriteEntity(const TEntity& e, long double k, bool subordinate);
    long long WriteInstance(const TEntity& e, long double k, bool subordinate);
    // Writes the definition at scale k (and what it places) unless written already; its D
    // number, 0 when it cannot be written (it places itself).
    long long WriteDefinition(TDefinition& def, long double k);
    // One entity's records from its parameter pieces and D fields.
    long long WriteRecords(int type, const std::vector<std::string>& params, const TEntity& pen,
                           std::string_view matrix, std::string_view form,
                           std::string_view label, std::string_view status);
    void Params(std::string_view text);
    void WriteStartAndGlobal(std::string& out);
    void Real(std::string& out, long double x);
    // A matrix entry: enough digits that a rotated block lands where the DXF file puts it.
    struct Unit {
        long double value;
    };
    // Appends the items in order: reals with the file's decimals, matrix entries, texts.
    void Put(std::string&) {}
    template <class... Rest> void Put(std::string& out, long double x, Rest... rest) {
        Real(out, x);
        Put(out, rest...);
    }
    template <class... Rest> void Put(std::string& out, Unit u, Rest... rest) {
        AppendUnit(out, u.value);
        Put(out, rest...);
    }
    template <class... Rest> void Put(std::string& out, std::string_view text, Rest... rest) {
        out += text;
        Put(out, rest...);
    }
    static void AppendUnit(std::string& out, long double x);

    std::unique_ptr<TCadSink> sink_;
    TSpillBuffer dRecords_; // D records
    TSpillBuffer pRecords_; // P records (the temporary file exists from the start)
    std::vector<std::string> params_; // the pieces of the entity being written
    std::string scratch_;
    bool failed_ = false;
    bool began_ = false;
    long double limits_[4] = {0, 0, 0, 0};

    long long sCount_ = 0, gCount_ = 0, d_ = 0, p_ = 0;
    long long currentDe_ = -1;
    long long paramPointer_ = 1;
    long long paramLines_ = 0;
    long double largest_ = 0; // largest coordinate written
    int colour_ = 0;
    int lineFont_ = 1;
    int weight_ = 250;
    TDefinition* defining_ = nullptr;
    std::map<std::string, TDefinition> definitions_; // by the first 8 characters, upper case
    TCadBounds bounds_;
};
