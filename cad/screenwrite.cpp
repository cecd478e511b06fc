#include "cad/screenwrite.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "cad/cadstate.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/geom2d.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/questions.h"
#include "platform/os/paths.h"

namespace {

// ---- parsed block files --------------------------------------------------------------------

struct Vertex {
    long double x = 0, y = 0;
    long double angle = 0; // included angle to the next vertex, radians
    std::int32_t layer = 0;
};

struct Entity {
    enum Kind : std::uint8_t { Line, Circle, Arc, Text, Solid, Polyline, Insert };
    Kind kind = Line;
    std::int32_t layer = 0;
    // LINE x1 y1 x2 y2; CIRCLE x y r; ARC x y r start end; SOLID 4 corners;
    // TEXT x y height widthFactor rotation; INSERT x y scaleX scaleY angle.
    long double v[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    std::string text; // TEXT value, INSERT block name
    std::vector<Vertex> vertices;
    std::int32_t flags = 0;
};

struct ParsedBlock {
    std::vector<Entity> entities;
    bool readError = false; // the file could not be read to its end
};

// Two lines per group: the code (free spacing) and the value (the whole line).
class GroupReader {
public:
    explicit GroupReader(TextFile& f) : file_(f) {}
    bool Next() {
        std::string line;
        int rc = file_.ReadLine(line);
        if (rc != 0) return Fail(rc);
        bool ok = false;
        code = ParseInteger(line, ok);
        if (!ok) code = -9999; // not a group code: skipped like any unknown group
        rc = file_.ReadLine(value);
        if (rc != 0) return Fail(rc);
        if (!value.empty() && value.back() == '\r') value.pop_back();
        return true;
    }
    bool IsEntity(std::string_view name) const {
        return code == 0 && UpperCaseStr(TrimBlanks(value)) == name;
    }
    int code = 0;
    std::string value;
    bool error = false;

private:
    bool Fail(int rc) {
        if (rc != TextFile::kIoPastEnd) error = true;
        return false;
    }
    TextFile& file_;
};

bool IsDrawnEntity(const std::string& name) {
    return name == "LINE" || name == "POLYLINE" || name == "CIRCLE" || name == "ARC" ||
           name == "TEXT" || name == "SOLID" || name == "INSERT";
}

class BlockParser {
public:
    explicit BlockParser(TextFile& f) : g_(f) {}

    std::shared_ptr<ParsedBlock> Parse() {
        auto block = std::make_shared<ParsedBlock>();
        bool have = g_.Next();
        while (have) {
            if (g_.code == 0) {
                const std::string name = UpperCaseStr(TrimBlanks(g_.value));
                if (name == "EOF") break;
                if (IsDrawnEntity(name)) {
                    have = ReadEntity(name, *block);
                    continue;
                }
            }
            have = g_.Next();
        }
        block->readError = g_.error;
        return block;
    }

private:
    // Reads the groups of the current entity up to the next code 0; false at the end.
    template <class F> bool Groups(F&& f) {
        for (;;) {
            if (!g_.Next()) return false;
            if (g_.code == 0) return true;
            f(g_.code, g_.value);
        }
    }

    bool ReadEntity(const std::string& name, ParsedBlock& block) {
        Entity e;
        if (name == "POLYLINE") return ReadPolyline(block);
        bool have = false;
        if (name == "LINE") {
            e.kind = Entity::Line;
            have = Groups([&](int c, const std::string& v) {
                Layer(e, c, v);
                Coord(e, c, v, {10, 20, 11, 21});
            });
        } else if (name == "CIRCLE") {
            e.kind = Entity::Circle;
            have = Groups([&](int c, const std::string& v) {
                Layer(e, c, v);
                Coord(e, c, v, {10, 20, 40});
            });
        } else if (name == "ARC") {
            e.kind = Entity::Arc;
            have = Groups([&](int c, const std::string& v) {
                Layer(e, c, v);
                Coord(e, c, v, {10, 20, 40, 50, 51});
            });
        } else if (name == "SOLID") {
            e.kind = Entity::Solid;
            have = Groups([&](int c, const std::string& v) {
                Layer(e, c, v);
                Coord(e, c, v, {10, 20, 11, 21, 12, 22, 13, 23});
            });
        } else if (name == "TEXT") {
            e.kind = Entity::Text;
            e.v[2] = 3.5L;
            e.v[3] = 1.0L;
            have = Groups([&](int c, const std::string& v) {
                Layer(e, c, v);
                if (c == 1) e.text = v;
                Coord(e, c, v, {10, 20, 40, 41, 50});
            });
        } else { // INSERT
            e.kind = Entity::Insert;
            // A record without a position keeps the one of the previous insert of the file.
            e.v[0] = lastInsertX_;
            e.v[1] = lastInsertY_;
            e.v[2] = 1;
            e.v[3] = 1;
            have = Groups([&](int c, const std::string& v) {
                if (c == 2) e.text = v;
                Coord(e, c, v, {10, 20, 41, 42, 50});
            });
            lastInsertX_ = e.v[0];
            lastInsertY_ = e.v[1];
        }
        block.entities.push_back(std::move(e));
        return have;
    }

    bool ReadPolyline(ParsedBlock& block) {
        Entity e;
        e.kind = Entity::Polyline;
        bool have = Groups([&](int c, const std::string& v) {
            if (c == 70) e.flags = StrToInteger(v);
        });
        if (!have || !g_.IsEntity("VERTEX")) {
            ShowError("Error in DXF File");
            return have;
        }
        while (have && g_.IsEntity("VERTEX")) {
            Vertex vx;
            have = Groups([&](int c, const std::string& v) {
                switch (c) {
                case 8:
                    vx.layer = LayerNumber(TrimBlanks(v));
                    break;
                case 10:
                    vx.x = StrToReal(v);
                    break;
                case 20:
                    vx.y = StrToReal(v);
                    break;
                case 42:
                    vx.angle = 4 * atanl(StrToReal(v));
                    break;
                default:
                    break;
                }
            });
            e.vertices.push_back(vx);
        }
        if (have && g_.IsEntity("SEQEND")) have = Groups([](int, const std::string&) {});
        block.entities.push_back(std::move(e));
        return have;
    }

    static void Layer(Entity& e, int c, const std::string& v) {
        if (c == 8) e.layer = LayerNumber(TrimBlanks(v));
    }
    // Stores the value of group c in the slot of its position in codes.
    static void Coord(Entity& e, int c, const std::string& v, std::initializer_list<int> codes) {
        int slot = 0;
        for (int k : codes) {
            if (k == c) {
                e.v[slot] = StrToReal(v);
                return;
            }
            ++slot;
        }
    }

    GroupReader g_;
    long double lastInsertX_ = 0;
    long double lastInsertY_ = 0;
};

// ---- files of this process -----------------------------------------------------------------

struct BlockFiles {
    std::map<std::string, std::string> written; // lower-case block name -> file
    std::set<std::string> dirs;                 // directories created for them
    std::map<std::string, std::shared_ptr<ParsedBlock>> cache;
    int parsed = 0;
};

BlockFiles& Files() {
    static BlockFiles f;
    return f;
}

std::string Key(std::string_view name) {
    return LowerCaseStr(name);
}

// The name as a file name may hold it.
std::string FilePart(std::string_view name) {
    std::string s(name);
    for (char& c : s)
        if (c == '/' || c == '\0') c = '_';
    return "$" + s + ".dx$";
}

// The file an insert of name reads: this process's block file (UTF-8), else a file in TempDir
// (a logo file or a block file made elsewhere, in the DOS code page), found without regard to
// letter case.
std::string SourceFile(std::string_view name, TextEncoding& encoding) {
    BlockFiles& f = Files();
    const auto it = f.written.find(Key(name));
    encoding = TextEncoding::Utf8;
    if (it != f.written.end() && os::FileExists(it->second)) return it->second;
    encoding = TextEncoding::Oem;
    return AddBackslash(TempDir) + FilePart(name);
}

std::shared_ptr<ParsedBlock> LoadBlock(std::string_view name) {
    BlockFiles& f = Files();
    const std::string key = Key(name);
    if (const auto it = f.cache.find(key); it != f.cache.end()) return it->second;
    TextFile file;
    TextEncoding encoding = TextEncoding::Oem;
    const std::string source = SourceFile(name, encoding);
    file.Assign(source, encoding);
    if (file.Reset() != 0) return nullptr;
    BlockParser parser(file);
    auto block = parser.Parse();
    file.Close();
    ++f.parsed;
    if (!block->readError) f.cache[key] = block;
    return block;
}

// Block directories of runs that ended without closing (a crash, a kill): their process is gone,
// so nothing will read their files again.
void RemoveStaleBlockDirs() {
    static std::string doneFor; // once per temporary directory
    if (doneFor == TempDir) return;
    doneFor = TempDir;
    const std::string program = ProgramName.empty() ? std::string("qor1w") : ProgramName;
    const std::string prefix = program + "-blocks-";
    std::error_code ec;
    const std::string temp = DelBackslash(AddBackslash(TempDir));
    for (const auto& entry : std::filesystem::directory_iterator(temp.empty() ? "." : temp, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !entry.is_directory(ec)) continue;
        bool ok = false;
        const std::int32_t pid = ParseInteger(name.substr(prefix.size()), ok);
        if (!ok || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        for (const auto& file : std::filesystem::directory_iterator(entry.path(), ec)) {
            const std::string f = file.path().filename().string();
            if (f.size() > 5 && f[0] == '$' && f.substr(f.size() - 4) == ".dx$")
                std::filesystem::remove(file.path(), ec);
        }
        std::filesystem::remove(entry.path(), ec); // only when empty
    }
}

// Angles of an arc of the block in the drawing: rotated by the insert angle; a mirroring
// insert (one negative scale) runs the arc the other way round.
void TransformArc(long double start, long double end, long double& s, long double& e) {
    const bool mx = CadInsertScaleX < 0;
    const bool my = CadInsertScaleY < 0;
    if (mx && !my) {
        s = 180 - end;
        e = 180 - start;
    } else if (my && !mx) {
        s = -end;
        e = -start;
    } else if (mx && my) {
        s = start + 180;
        e = end + 180;
    } else {
        s = start;
        e = end;
    }
    s += CadInsertAngle;
    e += CadInsertAngle;
}

// Keeps the caller's insert transform and nesting level and gives them back on leaving.
class TransformScope {
public:
    TransformScope()
        : x_(CadInsertX), y_(CadInsertY), a_(CadInsertAngle), sx_(CadInsertScaleX),
          sy_(CadInsertScaleY), level_(CadBlockNesting) {}
    ~TransformScope() {
        CadInsertX = x_;
        CadInsertY = y_;
        CadInsertAngle = a_;
        CadInsertScaleX = sx_;
        CadInsertScaleY = sy_;
        CadBlockNesting = level_;
    }
    TransformScope(const TransformScope&) = delete;
    TransformScope& operator=(const TransformScope&) = delete;

private:
    long double x_, y_, a_, sx_, sy_;
    std::int32_t level_;
};

// Draws a parsed block through the insert transform into the screen writer.
class BlockPainter {
public:
    explicit BlockPainter(TScreenWriter& w) : w_(w) {}

    void Draw(const ParsedBlock& block) {
        for (const Entity& e : block.entities) {
            if (AbortFlag) return;
            long double p[8];
            switch (e.kind) {
            case Entity::Line:
                Colour(e.layer);
                CadTransformPoint(e.v[0], e.v[1], p[0], p[1]);
                CadTransformPoint(e.v[2], e.v[3], p[2], p[3]);
                w_.Line(p[0], p[1], p[2], p[3]);
                break;
            case Entity::Circle:
                Colour(e.layer);
                CadTransformPoint(e.v[0], e.v[1], p[0], p[1]);
                w_.Circle(p[0], p[1], e.v[2] * fabsl(CadInsertScaleX));
                break;
            case Entity::Arc:
                Colour(e.layer);
                ArcThrough(e.v[0], e.v[1], e.v[2], e.v[3], e.v[4]);
                break;
            case Entity::Solid:
                Colour(e.layer);
                for (int k = 0; k < 4; ++k)
                    CadTransformPoint(e.v[2 * k], e.v[2 * k + 1], p[2 * k], p[2 * k + 1]);
                w_.Solid(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
                break;
            case Entity::Text: {
                Colour(e.layer);
                const long double h = e.v[2];
                const long double wf = e.v[3];
                const long double angle = e.v[4] + CadInsertAngle;
                const long double height = h * CadInsertScaleY;
                const long double width = h * wf * CadInsertScaleX;
                CadStoreTextSize(angle, height, width);
                w_.SetTextStyle(2, angle, height, width);
                // The factor in the file already holds the configured text factor.
                CadTextWidthFactor = wf;
                CadTransformPoint(e.v[0], e.v[1], p[0], p[1]);
                if (!e.text.empty()) w_.Text(e.text, p[0], p[1]);
                break;
            }
            case Entity::Polyline: {
                const auto& v = e.vertices;
                for (std::size_t i = 1; i < v.size() && !AbortFlag; ++i) {
                    Colour(v[i].layer);
                    Segment(v[i - 1], v[i], v[i - 1].angle);
                }
                if ((e.flags & 1) != 0 && v.size() >= 2)
                    Segment(v.back(), v.front(), v.back().angle);
                break;
            }
            case Entity::Insert: {
                const std::int32_t colour = CadCurrentColour;
                w_.DrawBlockFile(e.text, e.v[0], e.v[1], e.v[4], e.v[2], e.v[3]);
                Colour(colour);
                break;
            }
            }
        }
        if (block.readError) AbortFlag = 1;
    }

private:
    void Colour(std::int32_t c) {
        CadCurrentColour = CadReduceColour(c);
        w_.SetColour(CadCurrentColour);
    }

    void ArcThrough(long double cx, long double cy, long double r, long double startDeg,
                    long double endDeg) {
        if (r == 0 || CadInsertScaleX == 0) return;
        long double x = 0, y = 0, s = 0, e = 0;
        CadTransformPoint(cx, cy, x, y);
        TransformArc(startDeg, endDeg, s, e);
        w_.Arc(x, y, s, e, r * fabsl(CadInsertScaleX));
    }

    void Segment(const Vertex& a, const Vertex& b, long double angle) {
        long double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (angle != 0) {
            Extended cx = 0, cy = 0, start = 0, r = 0, end = 0;
            if (GetArcCenter(a.x, a.y, b.x, b.y, angle, cx, cy, start, r, end)) {
                ArcThrough(cx, cy, r, RadToDeg(start), RadToDeg(end));
                return;
            }
            // No arc through these points: the straight segment.
        }
        CadTransformPoint(a.x, a.y, x1, y1);
        CadTransformPoint(b.x, b.y, x2, y2);
        w_.Line(x1, y1, x2, y2);
    }

    TScreenWriter& w_;
};

} // namespace

// ---- block files of this process -----------------------------------------------------------

std::string CadBlockDir() {
    const std::string program = ProgramName.empty() ? std::string("qor1w") : ProgramName;
    return AddBackslash(TempDir) + program + "-blocks-" + IntToString(::getpid()) + "/";
}

std::string CadBlockFileName(std::string_view name) {
    return CadBlockDir() + FilePart(name);
}

void CadDeleteBlockFiles() {
    BlockFiles& f = Files();
    for (const auto& [key, path] : f.written)
        os::RemoveFile(path);
    f.written.clear();
    for (const std::string& d : f.dirs)
        os::RemoveDirectory(d);
    f.dirs.clear();
}

void CadClearBlockCache() {
    Files().cache.clear();
    Files().parsed = 0;
}

int CadBlockFilesParsed() {
    return Files().parsed;
}

void TBlockFileWriter::BeginBlock(std::string_view name) {
    BlockFiles& f = Files();
    if (IsOpen()) Close(); // a definition that was never ended
    const std::string key = Key(name);
    f.cache.erase(key);
    // A definition under another letter case replaces the earlier file.
    if (const auto it = f.written.find(key); it != f.written.end()) {
        os::RemoveFile(it->second);
        f.written.erase(it);
    }
    RemoveStaleBlockDirs();
    const std::string dir = CadBlockDir();
    const std::string file = CadBlockFileName(name);
    if (os::MakeDirectories(DelBackslash(dir)) == 0) f.dirs.insert(DelBackslash(dir));
    int rc = 0;
    std::unique_ptr<TCadSink> sink = CadFileSink(file, rc);
    if (!sink) {
        ShowError("file write error  -  temporary path !");
        AbortFlag = 1;
        return;
    }
    Open(std::move(sink));
    f.written[key] = file;
}

void TBlockFileWriter::EndBlock() {
    Close();
}

void TBlockFileWriter::AbandonBlock() {
    // The screen keeps no half block.
    Abandon();
}

// ---- the screen writer ---------------------------------------------------------------------

bool TScreenWriter::Open(std::unique_ptr<TCadSink>) {
    open_ = true;
    blocks_.Abandon();
    CadClearBlockCache();
    if (DrawDevice != nullptr) {
        DrawDevice->ClearDevice();
        DrawDevice->WaitCursor();
    }
    return true;
}

int TScreenWriter::Close() {
    open_ = false;
    blocks_.Close(); // a block left open
    if (DrawDevice != nullptr) {
        DrawDevice->ClearDrawArea();
        DrawDevice->NormalCursor();
    }
    CadDeleteBlockFiles();
    CadClearBlockCache();
    RestoreCursor();
    return 0;
}

void TScreenWriter::Abandon() {
    open_ = false;
    blocks_.Abandon();
    CadClearBlockCache();
}

long long TScreenWriter::InvalidEntities() const {
    return invalid_ + blocks_.InvalidEntities();
}

void TScreenWriter::BeginDrawing(long double xmin, long double ymin, long double xmax,
                                 long double ymax) {
    if (DrawDevice != nullptr && Valid({xmin, ymin, xmax, ymax}))
        DrawDevice->DrawHeader(xmin, ymin, xmax, ymax);
}

void TScreenWriter::BeginEntities() {
    if (DrawDevice == nullptr) return;
    DrawDevice->ClearDrawArea();
    DrawDevice->SetDrawLineStyle(0);
}

void TScreenWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    if (DrawDevice != nullptr && Valid({x1, y1, x2, y2})) DrawDevice->DrawLine(x1, y1, x2, y2);
}

void TScreenWriter::Circle(long double x, long double y, long double r) {
    if (DrawDevice != nullptr && Valid({x, y, r})) DrawDevice->DrawCircle(x, y, r);
}

void TScreenWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                        long double r) {
    if (DrawDevice != nullptr && Valid({xc, yc, startDeg, endDeg, r}))
        DrawDevice->DrawArc(xc, yc, startDeg, endDeg, r);
}

void TScreenWriter::Text(std::string_view text, long double x, long double y) {
    if (DrawDevice != nullptr && Valid({x, y})) DrawDevice->DrawText(text, x, y);
}

void TScreenWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                          long double x3, long double y3, long double x4, long double y4) {
    if (DrawDevice != nullptr && Valid({x1, y1, x2, y2, x3, y3, x4, y4}))
        DrawDevice->DrawSolid(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TScreenWriter::Insert(std::string_view name, long double x, long double y,
                           long double angleDeg, long double scaleX, long double scaleY) {
    CadBlockNesting = 0;
    CadInsertX = CadInsertY = 0;
    CadInsertAngle = 0;
    CadInsertScaleX = CadInsertScaleY = 1;
    DrawBlockFile(name, x, y, angleDeg, scaleX, scaleY);
}

void TScreenWriter::DrawBlockFile(std::string_view name, long double x, long double y,
                                  long double angleDeg, long double sx, long double sy) {
    TransformScope keep;
    long double ix = 0, iy = 0;
    CadTransformPoint(x, y, ix, iy);
    CadInsertX = ix;
    CadInsertY = iy;
    CadInsertAngle += angleDeg;
    CadInsertScaleX *= sx;
    CadInsertScaleY *= sy;
    ++CadBlockNesting;
    if (CadBlockNesting > 4) {
        // Too deep (or a block that inserts itself): this insert ends, the drawing unwinds.
        ShowError("error blockno." + IntToString(CadBlockNesting));
        AbortFlag = 1;
        return;
    }
    const std::shared_ptr<ParsedBlock> block = LoadBlock(name);
    if (!block) {
        AddError("Invalid temp directory");
        AbortFlag = 1;
        return;
    }
    BlockPainter(*this).Draw(*block);
}

void TScreenWriter::SetColour(std::int32_t c) {
    if (DrawDevice == nullptr) return;
    if (c >= 0 && c <= 5) {
        DrawDevice->SetDrawLineStyle(c == 1 ? 2 : c == 2 ? 3 : 0);
        DrawDevice->SetPenColor(static_cast<std::uint8_t>(LayerColours[c] & 0xFF));
    } else {
        DrawDevice->SetDrawLineStyle(0);
        if (c >= 16 && c <= 31)
            DrawDevice->SetPenColor(static_cast<std::uint8_t>(ColourTable[c] & 0xFF));
    }
    std::uint16_t width = 1;
    if (c >= 1 && c <= 5) {
        width = static_cast<std::uint16_t>(std::clamp(LineThickness[c], 1, 255));
    } else if (c >= 16 && c <= 31) {
        const std::int32_t w = PenWidths[c];
        width = static_cast<std::uint16_t>(w >= 2 && w <= 50 ? w : 1);
    }
    TFkelmgra::SetLineWidth(width);
}

void TScreenWriter::SetTextStyle(std::int32_t font, long double angleDeg, long double height,
                                 long double width) {
    if (DrawDevice != nullptr) DrawDevice->SetDrawTextStyle(font, angleDeg, height, width * 0.95L);
}

void TScreenWriter::SetLineStyle(std::int32_t style) {
    if (DrawDevice != nullptr) DrawDevice->SetDrawLineStyle(static_cast<std::uint16_t>(style));
}
