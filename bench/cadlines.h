#pragma once
// The lines of the CAD writer benchmarks: a fan of short segments over a 1000 x 1000 field, so
// that every coordinate has a different text, written through the CAD layer as a drawing
// writes them (head, tables, entities, close) into QOR_BENCH_DIR (default /tmp).

#include <chrono>
#include <cstdlib>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"

namespace cadbench {

inline std::string OutputDir() {
    const char* dir = std::getenv("QOR_BENCH_DIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

// Writes count lines with output code (file qor_bench_lines + extension); seconds taken.
inline double WriteLines(std::uint16_t code, int count) {
    const auto start = std::chrono::steady_clock::now();
    CadBatchOutput = 1;
    DataFileName = OutputDir() + "/qor_bench_lines";
    CadOpenOutput(code);
    CadBeginDrawing(0, 0, 1000, 1000);
    CadWriteTables(0);
    CadBeginEntities();
    for (int i = 0; i < count; ++i) {
        const long double x = (i % 1000) * 1.000123L;
        const long double y = (i / 1000) * 0.999877L;
        CadLine(x, y, x + 0.5L, y + 0.25L);
    }
    CadEndSection();
    CadCloseOutput();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace cadbench
