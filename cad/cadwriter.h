#pragma once
// cadwriter: the one interface behind which every output of the CAD layer sits, one writer per
// format: DXF (codes 1 and 4, and the screen's block files), the screen's display list (3),
// IGES (2) and TXT (5). The layer (cadout.h) adds the origin and the text alignment, then hands
// each primitive to exactly one writer; a writer reads text height, width factor, angle and the
// current layer from the CAD state (cadstate.h).
//
// File writers write their bytes to a TCadSink: a file (written beside the target and renamed
// over it only when complete) or a stream that a test passes in.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "platform/os/file.h"

// ---- where the bytes go ----------------------------------------------------------------------

class TCadSink {
public:
    virtual ~TCadSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Completes the output: 0, or the DOS code of the first failure; the target then stays as
    // it was before.
    virtual int Close() = 0;
    // Abandons the output: an existing file of that name stays as it was.
    virtual void Discard() = 0;
};

// A new file fileName, replaced at Close. rc: 0, or the DOS code why it cannot be created
// (nullptr is returned then).
std::unique_ptr<TCadSink> CadFileSink(const std::string& fileName, int& rc);
// The bytes go to out; Close flushes it (1 when the stream failed).
std::unique_ptr<TCadSink> CadStreamSink(std::ostream& out);

// ---- the writer interface --------------------------------------------------------------------

class TCadWriter {
public:
    virtual ~TCadWriter() = default;

    // Extension of the output file without the point ("dxf", "igs", "txt"); empty for an
    // output that is not a file (the screen).
    virtual std::string Extension() const { return {}; }
    // Begins the output into sink (file writers; the screen ignores it). On failure false,
    // with the reason shown.
    virtual bool Open(std::unique_ptr<TCadSink> /*sink*/) { return true; }
    // Finishes the output. 0, or a DOS code (the file then stays as it was before).
    virtual int Close() { return 0; }
    // Abandons an output that was not finished.
    virtual void Abandon() {}
    // Entities left out because one of their numbers was not finite (infinite or not a
    // number): a broken geometry never becomes lines to the origin.
    virtual long long InvalidEntities() const { return invalid_; }

    // Whether a drawing begun now becomes part of the one this output holds (a caller that
    // opened the output draws several views into it): the file writers collect every drawing's
    // sections and write each once when they close; false when the output is closed already or
    // was never opened (an output that keeps nothing), so that nothing drawn would reach it.
    virtual bool JoinDrawings() { return false; }

    // The writer that receives what is drawn inside the blocks section: file writers take it
    // themselves, the screen sends it to its block files.
    virtual TCadWriter* BlocksTarget() { return this; }
    // The outputs that carry the sheet's extents frame and the logo blocks (screen and plot).
    virtual bool DrawsSheet() const { return false; }
    // The drawing window (footer line, screen-only text styles).
    virtual bool IsScreen() const { return false; }

    // ---- sections and blocks
    virtual void BeginDrawing(long double /*xmin*/, long double /*ymin*/, long double /*xmax*/,
                              long double /*ymax*/) {}
    virtual void WriteTables(std::int32_t /*layerSet*/) {}
    virtual void BeginBlocksSection() {}
    virtual void BeginBlock(std::string_view /*name*/) {}
    virtual void EndBlock() {}
    // A definition cut short (AbortFlag was set inside it): the file stays well-formed.
    virtual void AbandonBlock() { EndBlock(); }
    virtual void EndSection() {}
    virtual void BeginEntities() {}

    // ---- primitives (origin and alignment applied)
    virtual void Line(long double /*x1*/, long double /*y1*/, long double /*x2*/,
                      long double /*y2*/) {}
    virtual void Circle(long double /*x*/, long double /*y*/, long double /*r*/) {}
    // Degrees, counter-clockwise from start to end.
    virtual void Arc(long double /*xc*/, long double /*yc*/, long double /*startDeg*/,
                     long double /*endDeg*/, long double /*r*/) {}
    virtual void Text(std::string_view /*text*/, long double /*x*/, long double /*y*/) {}
    virtual void Solid(long double /*x1*/, long double /*y1*/, long double /*x2*/,
                       long double /*y2*/, long double /*x3*/, long double /*y3*/,
                       long double /*x4*/, long double /*y4*/) {}
    // Name, position, rotation in degrees, scales (the origin is not added to inserts).
    virtual void Insert(std::string_view /*name*/, long double /*x*/, long double /*y*/,
                        long double /*angleDeg*/, long double /*scaleX*/, long double /*scaleY*/) {}
    // CAD colour 0..31 (already reduced).
    virtual void SetColour(std::int32_t /*c*/) {}
    // The screen's own text style and line style; files ignore them.
    virtual void SetTextStyle(std::int32_t /*font*/, long double /*angleDeg*/,
                              long double /*height*/, long double /*width*/) {}
    virtual void SetLineStyle(std::int32_t /*style*/) {}

    // Writers that keep polylines whole (DXF with CadUsePolylines); the others get lines and
    // arcs from the layer.
    virtual bool Polylines() const { return false; }
    virtual void BeginPolyline(std::uint8_t /*flags*/) {}
    virtual void Vertex(long double /*x*/, long double /*y*/, long double /*bulge*/) {}
    virtual void EndPolyline() {}

protected:
    // True when every value is finite; otherwise the entity is counted as left out.
    bool Valid(std::initializer_list<long double> values) {
        for (long double v : values)
            if (!(v - v == 0)) { // infinite or not a number
                ++invalid_;
                return false;
            }
        return true;
    }
    long long invalid_ = 0;
};

// Bytes that must wait for what is written before them (the head of a file that names its own
// extents): kept in memory, and beyond a few megabytes in a temporary file in TempDir.
class TSpillBuffer {
public:
    TSpillBuffer() = default;
    ~TSpillBuffer();
    TSpillBuffer(const TSpillBuffer&) = delete;
    TSpillBuffer& operator=(const TSpillBuffer&) = delete;

    // Creates the temporary file at once (0, or the DOS code why it cannot be created; the
    // reason is then shown). Without it the file is created when the bytes outgrow the memory.
    int CreateFile(std::string_view prefix);
    // The bytes so far in memory; call Keep after appending to it.
    std::string& Memory() { return mem_; }
    // Moves the memory to the file once it has grown large. False after a write failure.
    bool Keep();
    // Hands everything to the sink in order and forgets it. False after a failure.
    bool CopyTo(TCadSink& sink);
    // Forgets the bytes and removes the file.
    void Clear();
    std::uint64_t Size() const { return written_ + mem_.size(); }

private:
    bool Spill();

    std::string mem_;
    std::string prefix_ = "qor1w-cad";
    std::string name_;
    std::uint64_t written_ = 0;
    os::File file_;
    bool failed_ = false;
};

// A file writer whose lines collect in a buffer and go to the sink in large pieces.
class TBufferedWriter : public TCadWriter {
public:
    ~TBufferedWriter() override;
    bool Open(std::unique_ptr<TCadSink> sink) override;
    void Abandon() override;
    bool IsOpen() const { return sink_ != nullptr; }

protected:
    // Hands the buffer to the sink and closes it: 0, or the error (AbortFlag is set then).
    int Finish();
    // Ends a line with CR LF; a full buffer goes to the sink.
    void EndLine() {
        buf_.append("\r\n", 2);
        if (buf_.size() >= kChunk) Flush();
    }
    // Hands the buffer on (to the sink, or where a writer keeps its body).
    virtual void Flush();

    static constexpr std::size_t kChunk = 256 * 1024;
    std::unique_ptr<TCadSink> sink_;
    std::string buf_;
};

// ---- which writer serves a code --------------------------------------------------------------

using CadWriterFactory = std::function<std::unique_ptr<TCadWriter>()>;

// Registers the writer of a code 1..5 (others are ignored). Codes 1 (DXF), 3 (screen) and 4
// (plot program) have built-in writers, which an empty factory restores; codes 2 and 5 have
// none until RegisterCadWriters runs.
void RegisterCadWriter(std::uint16_t code, CadWriterFactory factory);
bool CadWriterRegistered(std::uint16_t code);
// Registers the IGES and TXT writers and installs the plot program's command-line editors.
// The program calls it once at start; tests call it in their set-up.
void RegisterCadWriters();

// The writer of the open output (the screen writer before any output was opened).
TCadWriter* CurrentCadWriter();
// Where primitives go now: the output's writer, or its BlocksTarget inside the blocks section.
TCadWriter* CadActiveWriter();
// Opens the writer of code (1..5) on a stream instead of a file, for tests: no file dialog,
// CadFileName := name (which IGES writes into its global section).
bool CadOpenStream(std::uint16_t code, std::ostream& out, const std::string& name);
// Switches where primitives go when the blocks section opens and closes (CadBlocksOpen).
void CadRouteBlocks(bool open);
