#pragma once
// screenwrite: the writer of CAD code 3, the drawing window's display list
// (framework/ui/draw_device.h), with the screen's block files.
//
// The drawing window has no blocks: on the screen each definition is written as a small DXF
// file of bare entities ending with 0 "EOF", the block file "$" + name + ".dx$", and each
// insert draws that file's entities through the insert transform. Block files are this
// program's own and hold their texts in UTF-8, so every character typed reaches the screen and
// the printout; the user's logo files are read in the DOS code page. Inserts inside block files
// nest up to four levels. Block files of this program live in a directory of their own below
// TempDir (one per process), so closing the screen output deletes only what this process
// wrote; the user's logo files ("$LOGO_2.dx$", "$LOGO_3.dx$", "$logo_1.dx$") lie in TempDir
// itself and are read, never deleted. Names are matched without regard to letter case. A block
// file is parsed once per drawing and kept until the block is defined again or the output is
// opened or closed.

#include <memory>
#include <string>
#include <string_view>

#include "cad/cadwriter.h"
#include "cad/dxfwrite.h"

// The writer of the block files: each BeginBlock starts a new file, EndBlock completes it.
class TBlockFileWriter : public TDxfWriter {
public:
    TBlockFileWriter() : TDxfWriter(DxfTarget::BlockFile) {}
    void BeginBlock(std::string_view name) override;
    void EndBlock() override;
    void AbandonBlock() override;
    void EndSection() override {}
    bool BlockOpen() const { return IsOpen(); }
};

class TScreenWriter : public TCadWriter {
public:
    // Clears the window (an output opened on it); parsed blocks are forgotten.
    bool Open(std::unique_ptr<TCadSink> sink) override;
    // Repaints the window and deletes this drawing's block files.
    int Close() override;
    void Abandon() override;
    long long InvalidEntities() const override;
    // Between Open and Close: the window that shows the drawing before any output was opened,
    // or after its block files were deleted, takes no further view.
    bool JoinDrawings() override { return open_; }
    TCadWriter* BlocksTarget() override { return &blocks_; }
    bool DrawsSheet() const override { return true; }
    bool IsScreen() const override { return true; }

    void BeginDrawing(long double xmin, long double ymin, long double xmax,
                      long double ymax) override;
    void BeginEntities() override;
    void Line(long double x1, long double y1, long double x2, long double y2) override;
    void Circle(long double x, long double y, long double r) override;
    void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
             long double r) override;
    void Text(std::string_view text, long double x, long double y) override;
    void Solid(long double x1, long double y1, long double x2, long double y2, long double x3,
               long double y3, long double x4, long double y4) override;
    // Reads the block file back and draws it (the origin is not added).
    void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                long double scaleX, long double scaleY) override;
    // Pen colour, line style by layer and pen width.
    void SetColour(std::int32_t c) override;
    void SetTextStyle(std::int32_t font, long double angleDeg, long double height,
                      long double width) override;
    void SetLineStyle(std::int32_t style) override;

    // One insert read back, composed onto the current insert transform.
    void DrawBlockFile(std::string_view name, long double x, long double y, long double angleDeg,
                       long double sx, long double sy);

private:
    TBlockFileWriter blocks_;
    bool open_ = false;
};

// The directory of this process's block files (AddBackslash form), below TempDir.
std::string CadBlockDir();
// The full name of the block file this process writes for a block.
std::string CadBlockFileName(std::string_view name);
// Deletes every block file this process wrote (and its directory when empty); never a file it
// did not write. Called when the screen output closes and at program exit.
void CadDeleteBlockFiles();
// Forgets every parsed block (the next insert reads its file again).
void CadClearBlockCache();
// Number of block files parsed since the last CadClearBlockCache (for tests of the cache).
int CadBlockFilesParsed();
