#pragma once
// sectionwrite: the common part of the file writers whose format holds each section once and
// names the drawing's extents at its head (DXF and TXT).
//
// Everything an output receives is collected by section: the layer tables (the first drawing's),
// the block definitions and the entities, in memory and beyond a few megabytes in temporary
// files in TempDir. When the output closes the writer puts the head first, with extents that
// span every drawing begun in the output and everything drawn, then each section once. So
// several drawings into one output (a caller that draws several views into the file it opened)
// make one well-formed file, whatever order the drawings, their extents and the sections came
// in; a block name the output already holds is written with a suffix ("EVOLV2_2"), and the
// inserts that follow name the new definition. Entities drawn outside a block go to the
// entities, whatever section was open. A writer made with collect false writes everything
// straight to its file in the order it comes (the screen's block files).

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "cad/cadbounds.h"
#include "cad/cadwriter.h"

class TSectionWriter : public TBufferedWriter {
public:
    explicit TSectionWriter(bool collect = true) : collect_(collect), direct_(!collect) {}
    void Abandon() override;
    // Every drawing begun while the output is open becomes part of the one it holds.
    bool JoinDrawings() override { return IsOpen(); }
    // The limits: the union of every drawing's.
    void BeginDrawing(long double xmin, long double ymin, long double xmax,
                      long double ymax) override;
    void BeginBlocksSection() override;

protected:
    enum Part { Tables, Blocks, Entities, PartCount };

    // What follows goes into part p (until the next call).
    void Into(Part p);
    // Starts a block definition in the blocks part: the name it is written under.
    std::string DefineBlock(std::string_view name);
    // Ends it: what follows goes to the entities again.
    void EndBlockPart();
    bool InBlock() const { return inBlock_; }
    // The name an insert of name writes: the definition written last under that name.
    std::string PlacedName(std::string_view name) const;
    // True once the first drawing has had its tables written into the tables part.
    bool TablesTaken() const { return tablesTaken_; }
    void TakeTables() { tablesTaken_ = true; }

    // ---- assembling the file when it closes
    // From now on the buffer goes straight to the file.
    void Direct();
    // Copies a collected part to the file (after what the buffer holds). False after a failure.
    bool CopyPart(Part p);
    bool PartEmpty(Part p) const { return parts_[p].Size() == 0; }
    // The blocks section is written: the drawing opened it or defined a block.
    bool HasBlocks() const { return blocksSection_ || !PartEmpty(Blocks); }
    // The limits the drawings named (false when none did).
    bool Limits(long double out[4]) const;
    // Finishes the file: 0, or the error (the file then stays as it was; AbortFlag is set).
    int FinishFile();

    void Flush() override;

    TCadBounds bounds_;

private:
    TSpillBuffer parts_[PartCount];
    Part part_ = Entities;
    const bool collect_;
    bool direct_;
    bool failed_ = false;
    bool inBlock_ = false;
    bool blocksSection_ = false;
    bool tablesTaken_ = false;
    bool haveLimits_ = false;
    long double limits_[4] = {0, 0, 0, 0};
    std::map<std::string, std::string> blockNames_; // capitals -> the name last written
    std::set<std::string> usedNames_;               // every name written, in capitals
};
