#pragma once
// cadwriter: the file writers that the output layer reaches through one interface (CAD codes 2
// IGES and 5 TXT). A writer is registered once for its code; CadOpenOutput creates it after the
// output file has been chosen and frees it at CadCloseOutput.
//
// The output layer has added the origin and the text alignment before it calls a writer; text
// height, width factor, angle and the current layer are read from the CAD state (cadout.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TCadFileWriter {
public:
    virtual ~TCadFileWriter() = default;

    // Extension of the output file without the point ("igs", "txt").
    virtual std::string Extension() const = 0;
    // Opens the output file. On failure: a message, AbortFlag set, false.
    virtual bool Open(const std::string& fileName) = 0;
    // Finishes and closes the file (CadCloseOutput). A writer destroyed without Close (a drawing
    // that stopped early) abandons its file: an existing file of that name stays as it was.
    virtual void Close() = 0;

    virtual void BeginDrawing(long double xmin, long double ymin, long double xmax,
                              long double ymax) = 0;
    virtual void WriteTables(std::int32_t /*layerSet*/) {}
    virtual void BeginBlocksSection() {}
    virtual void BeginBlock(std::string_view name) = 0;
    virtual void EndBlock() = 0;
    virtual void EndSection() {}
    virtual void BeginEntities() {}

    virtual void Line(long double x1, long double y1, long double x2, long double y2) = 0;
    virtual void Circle(long double x, long double y, long double r) = 0;
    virtual void Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                     long double r) = 0;
    virtual void Text(std::string_view text, long double x, long double y) = 0;
    virtual void Solid(long double x1, long double y1, long double x2, long double y2,
                       long double x3, long double y3, long double x4, long double y4) = 0;
    virtual void SetColour(std::int32_t c) = 0;
    virtual void Insert(std::string_view name, long double x, long double y, long double angleDeg,
                        long double scaleX, long double scaleY) = 0;
};

using CadWriterFactory = std::function<std::unique_ptr<TCadFileWriter>()>;

// Registers (or, with an empty factory, removes) the writer of code 2 or 5. Other codes are
// ignored.
void RegisterCadWriter(std::uint16_t code, CadWriterFactory factory);
bool CadWriterRegistered(std::uint16_t code);
// The writer of the open output, or nullptr.
TCadFileWriter* CurrentCadWriter();
