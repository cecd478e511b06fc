// The sinks of the CAD writers: a file replaced only when complete, or a caller's stream.

#include <ostream>

#include "cad/cadwriter.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"

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
