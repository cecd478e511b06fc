#include "cad/sectionwrite.h"

#include <algorithm>

#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "platform/os/errors.h"

void TSectionWriter::Abandon() {
    for (TSpillBuffer& p : parts_)
        p.Clear();
    part_ = Entities;
    direct_ = !collect_;
    failed_ = inBlock_ = blocksSection_ = tablesTaken_ = haveLimits_ = false;
    blockNames_.clear();
    usedNames_.clear();
    bounds_.Clear();
    TBufferedWriter::Abandon();
}

void TSectionWriter::Flush() {
    if (direct_) {
        TBufferedWriter::Flush();
        return;
    }
    TSpillBuffer& p = parts_[part_];
    p.Memory() += buf_;
    buf_.clear();
    if (!p.Keep()) failed_ = true;
}

void TSectionWriter::Into(Part p) {
    if (p == part_) return;
    Flush();
    part_ = p;
}

void TSectionWriter::BeginDrawing(long double xmin, long double ymin, long double xmax,
                                  long double ymax) {
    if (!IsOpen() || !Valid({xmin, ymin, xmax, ymax})) return;
    long double* e = limits_;
    e[0] = haveLimits_ ? std::min(e[0], xmin) : xmin;
    e[1] = haveLimits_ ? std::min(e[1], ymin) : ymin;
    e[2] = haveLimits_ ? std::max(e[2], xmax) : xmax;
    e[3] = haveLimits_ ? std::max(e[3], ymax) : ymax;
    haveLimits_ = true;
}

void TSectionWriter::BeginBlocksSection() {
    blocksSection_ = true;
}

std::string TSectionWriter::DefineBlock(std::string_view name) {
    if (inBlock_) EndBlockPart(); // a definition that was never ended
    Into(Blocks);
    inBlock_ = true;
    // A name this output already holds (another drawing's block) gets the first free suffix.
    std::string written(name);
    for (int n = 2; usedNames_.count(UpperCaseStr(written)) != 0; ++n)
        written = std::string(name) + "_" + std::to_string(n);
    usedNames_.insert(UpperCaseStr(written));
    blockNames_[UpperCaseStr(name)] = written;
    bounds_.BeginBlock(written);
    return written;
}

void TSectionWriter::EndBlockPart() {
    if (!inBlock_) return;
    inBlock_ = false;
    bounds_.EndBlock();
    Into(Entities);
}

std::string TSectionWriter::PlacedName(std::string_view name) const {
    const auto it = blockNames_.find(UpperCaseStr(name));
    return it != blockNames_.end() ? it->second : std::string(name);
}

void TSectionWriter::Direct() {
    Flush();
    direct_ = true;
}

bool TSectionWriter::CopyPart(Part p) {
    Flush();
    if (!parts_[p].CopyTo(*sink_)) failed_ = true;
    parts_[p].Clear();
    return !failed_;
}

bool TSectionWriter::Limits(long double out[4]) const {
    if (!haveLimits_) return false;
    std::copy(limits_, limits_ + 4, out);
    return true;
}

int TSectionWriter::FinishFile() {
    if (failed_) {
        Abandon();
        AbortFlag = 1;
        return os::kErrWriteFault;
    }
    return Finish();
}
