// The sinks of the CAD writers: a file replaced only when complete, or a caller's stream.

#include <ostream>

#include "cad/cadwriter.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"
#include "platform/os/paths.h"

namespace {

class FileSink : public TCadSink {
public:
    int Open(const std::string& name) {
        // The bytes come in their code page already: the file passes them through.
        file_.Assign(name, TextEncoding::Utf8);
        return file_.Rewrite();
    }
    void Write(std::string_view bytes) override { file_.Write(bytes); }
    int Close() override { return file_.Close(); }
    void Discard() override { file_.Discard(); }

private:
    TextFile file_;
};

class StreamSink : public TCadSink {
public:
    explicit StreamSink(std::ostream& out) : out_(out) {}
    void Write(std::string_view bytes) override {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    int Close() override {
        out_.flush();
        return out_.good() ? 0 : 1;
    }
    void Discard() override {}

private:
    std::ostream& out_;
};

} // namespace

std::unique_ptr<TCadSink> CadFileSink(const std::string& fileName, int& rc) {
    auto sink = std::make_unique<FileSink>();
    rc = sink->Open(fileName);
    if (rc != 0) return nullptr;
    return sink;
}

std::unique_ptr<TCadSink> CadStreamSink(std::ostream& out) {
    return std::make_unique<StreamSink>(out);
}

// ---- buffered file writers -----------------------------------------------------------------

TBufferedWriter::~TBufferedWriter() {
    TBufferedWriter::Abandon();
}

bool TBufferedWriter::Open(std::unique_ptr<TCadSink> sink) {
    Abandon();
    buf_.reserve(kChunk + 4096);
    sink_ = std::move(sink);
    return sink_ != nullptr;
}

void TBufferedWriter::Abandon() {
    buf_.clear();
    if (sink_) sink_->Discard();
    sink_.reset();
}

void TBufferedWriter::Flush() {
    if (buf_.empty()) return;
    sink_->Write(buf_);
    buf_.clear();
}

int TBufferedWriter::Finish() {
    Flush();
    const int rc = sink_->Close();
    sink_.reset();
    if (rc != 0) AbortFlag = 1;
    return rc;
}

// ---- bytes that wait for their head ---------------------------------------------------------

namespace {

constexpr std::size_t kSpillAt = 8u << 20; // larger drawings go through a temporary file
constexpr std::size_t kCopyChunk = 1u << 20;

std::string CadTempDir() {
    return TrimBlanks(TempDir).empty() ? os::TempDirectory() : DelBackslash(AddBackslash(TempDir));
}

} // namespace

TSpillBuffer::~TSpillBuffer() {
    Clear();
}

int TSpillBuffer::CreateFile(std::string_view prefix) {
    file_.Close();
    if (!name_.empty()) os::RemoveFile(name_);
    name_.clear();
    written_ = 0;
    prefix_ = std::string(prefix);
    const std::string dir = CadTempDir();
    int rc = os::CreateTempFile(dir, prefix_, name_, ".$$$");
    if (rc == 0)
        rc = file_.Open(name_, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll});
    if (rc != 0) {
        if (!name_.empty()) os::RemoveFile(name_);
        name_.clear();
        ShowError(FileProblemText("file write error", AddBackslash(dir) + prefix_ + ".$$$", rc));
    }
    return rc;
}

bool TSpillBuffer::Spill() {
    if (failed_) return false;
    if (!file_.IsOpen() && CreateFile(prefix_) != 0) {
        failed_ = true;
        return false;
    }
    if (file_.WriteAt(written_, mem_.data(), mem_.size()) != 0) {
        failed_ = true;
        return false;
    }
    written_ += mem_.size();
    mem_.clear();
    return true;
}

bool TSpillBuffer::Keep() {
    if (mem_.size() < kSpillAt && !(file_.IsOpen() && mem_.size() >= kCopyChunk)) return !failed_;
    return Spill();
}

bool TSpillBuffer::CopyTo(TCadSink& sink) {
    if (failed_) return false;
    std::string chunk;
    for (std::uint64_t at = 0; at < written_;) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, written_ - at)));
        std::size_t got = 0;
        if (file_.ReadSomeAt(at, chunk.data(), chunk.size(), got) != 0 || got == 0) {
            failed_ = true;
            return false;
        }
        sink.Write(std::string_view(chunk.data(), got));
        at += got;
    }
    sink.Write(mem_);
    mem_.clear();
    return true;
}

void TSpillBuffer::Clear() {
    mem_.clear();
    written_ = 0;
    failed_ = false;
    file_.Close();
    if (!name_.empty()) os::RemoveFile(name_);
    name_.clear();
}
