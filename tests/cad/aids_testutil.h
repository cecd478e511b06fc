#pragma once
// The drawing-aid tests (dimensions, hatching, tables, frames, charts): a drawing written into a
// DXF file and read back by ezdxf (tests/cad/aids_dxf.py), its entities as plain values.

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cad_testutil.h"

namespace cadtest {

struct DxfEntity {
    std::string type;
    std::string layer;
    std::vector<double> v;
    std::string text;
};

struct DxfDrawing {
    int auditErrors = -1;
    std::vector<DxfEntity> entities;
    std::string report;

    std::vector<DxfEntity> Of(const std::string& type) const {
        std::vector<DxfEntity> out;
        for (const auto& e : entities)
            if (e.type == type) out.push_back(e);
        return out;
    }
    // The texts equal to text.
    std::vector<DxfEntity> Texts(const std::string& text) const {
        std::vector<DxfEntity> out;
        for (const auto& e : entities)
            if (e.type == "TEXT" && e.text == text) out.push_back(e);
        return out;
    }
};

inline DxfDrawing ReadWithEzdxf(const std::string& file) {
    DxfDrawing d;
    int status = -1;
    d.report = qortest::RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                       "/tests/cad/aids_dxf.py '" + file + "' 2>&1",
                                   status);
    if (status != 0) return d;
    std::istringstream in(d.report);
    std::string line;
    std::getline(in, line);
    std::istringstream head(line);
    std::string word;
    head >> word >> d.auditErrors;
    while (std::getline(in, line)) {
        DxfEntity e;
        std::istringstream fields(line);
        std::string nums;
        std::getline(fields, e.type, '\t');
        std::getline(fields, e.layer, '\t');
        std::getline(fields, nums, '\t');
        std::getline(fields, e.text);
        std::istringstream n(nums);
        for (double x; n >> x;)
            e.v.push_back(x);
        d.entities.push_back(e);
    }
    return d;
}

class AidsTest : public CadTest {
protected:
    // A DXF drawing (extents given) with body among its entities, read back by ezdxf.
    DxfDrawing DrawDxf(const std::function<void()>& body, long double xmax = 420,
                       long double ymax = 297) {
        OpenDxf("aids");
        EXPECT_EQ(AbortFlag, 0);
        CadBeginDrawing(0, 0, xmax, ymax);
        CadWriteTables(0);
        CadBeginEntities();
        body();
        CadEndSection();
        CadCloseOutput();
        return ReadWithEzdxf(Path("aids.dxf"));
    }
};

// A segment's ends in a fixed order (lower x first, then lower y), for comparing as sets.
inline std::vector<double> Normalised(const std::vector<double>& v) {
    if (v[0] > v[2] + 1e-9 || (std::fabs(v[0] - v[2]) <= 1e-9 && v[1] > v[3]))
        return {v[2], v[3], v[0], v[1]};
    return {v[0], v[1], v[2], v[3]};
}

inline bool SameValues(const std::vector<double>& a, const std::vector<double>& b,
                       double tol = 1e-5) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > tol) return false;
    return true;
}

} // namespace cadtest
