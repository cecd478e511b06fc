// Unit utzfds: memo fields as streams.
#include "dbf/dataset/blob_stream.h"

#include <algorithm>
#include <cstring>

#include "dbf/base/errors.h"
#include "dbf/dataset/file_dataset.h"
#include "dbf/memo/blob.h"
#include "dbf/memo/memo.h"
#include "platform/data/fields.h"
#include "platform/os/codepage.h"

namespace dbf {

namespace {

constexpr std::int32_t kChunk = 32767;

bool IsText(const std::string& bytes) {
    return IsTextBuffer(bytes.data(), std::min<std::size_t>(bytes.size(), kChunk));
}


} // namespace

TTzBlobStream::TTzBlobStream(TTzFileDataSet& dataset, TField* field, TBlobStreamMode mode)
    : FDataSet(dataset), FField(field), FMode(mode) {
    if (mode != bmWrite) {
        Load();
    } else {
        // A write stream replaces the memo: with nothing written the field is cleared.
        std::int32_t block = 0;
        FPending = FField->GetData(&block) && block != 0;
    }
}

TTzBlobStream::~TTzBlobStream() {
    try {
        Commit();
    } catch (const std::exception& e) {
        FDataSet.HandleException(e);
    }
}

void TTzBlobStream::Load() {
    std::int32_t block = 0;
    if (!FField->GetData(&block) || block == 0) return;
    std::string raw;
    FDataSet.CheckTziResult(FDataSet.Run("CreateBlobStream", [&] {
        if (OpenBlob(false, block, kBlobRead) == 0) return 0;
        std::string chunk(kChunk, '\0');
        for (;;) {
            const std::int32_t n = ReadBlobStream(chunk.data(), kChunk);
            if (n <= 0 || LastErrorCode != 0) break;
            raw.append(chunk.data(), static_cast<std::size_t>(n));
        }
        const KeepEngineError keep;
        DestroyBlobDescriptor();
        return 0;
    }));
    FData = IsText(raw) ? os::ToUtf8(FDataSet.TextPage(), raw) : std::move(raw);
}

std::int64_t TTzBlobStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || FPosition >= static_cast<std::int64_t>(FData.size())) return 0;
    const std::int64_t n =
        std::min<std::int64_t>(count, static_cast<std::int64_t>(FData.size()) - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TTzBlobStream::Write(const void* buffer, std::int64_t count) {
    if (FMode == bmRead || count <= 0) return 0;
    const auto end = static_cast<std::size_t>(FPosition + count);
    if (end > FData.size()) FData.resize(end, '\0');
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition += count;
    FPending = true;
    return count;
}

std::int64_t TTzBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t p = offset;
    if (origin == soCurrent) p += FPosition;
    if (origin == soEnd) p += static_cast<std::int64_t>(FData.size());
    FPosition = std::max<std::int64_t>(p, 0);
    return FPosition;
}

void TTzBlobStream::Commit() {
    if (FMode == bmRead || !FPending) return;
    FPending = false;
    if (FDataSet.State() != dsEdit && FDataSet.State() != dsInsert) FDataSet.Edit();
    std::int32_t block = 0;
    if (!FData.empty()) {
        const bool text = IsText(FData);
        if (text) FDataSet.NoteUnstorable(FField->FieldName(), FData);
        const std::string bytes = text ? os::FromUtf8(FDataSet.TextPage(), FData) : FData;
        FDataSet.CheckTziResult(FDataSet.Run("DestroyBlobStream", [&] {
            if (OpenBlob(false, 0, kBlobWrite) == 0) return 0;
            for (std::size_t at = 0; at < bytes.size() && LastErrorCode == 0;) {
                const auto n = static_cast<std::int32_t>(
                    std::min<std::size_t>(bytes.size() - at, static_cast<std::size_t>(kChunk)));
                if (WriteBlobStream(bytes.data() + at, n) != n) {
                    if (LastErrorCode == 0)
                        SetError(kErrMemoWrite, "Memo not written [DestroyBlobStream]");
                    break;
                }
                at += static_cast<std::size_t>(n);
            }
            if (LastErrorCode != 0) {
                // Abandoned: the memo lock goes, the half-written memo is never referenced.
                if (const TBlobDescriptor* d = CurrentBlob(); d != nullptr && d->Active) {
                    const KeepEngineError keep;
                    UnlockMemofile();
                    CreateMemoDescriptor(false);
                }
                return 0;
            }
            block = DestroyBlobDescriptor();
            if (block == 0 && LastErrorCode == 0)
                SetError(kErrMemoWrite, "Memo not written [DestroyBlobStream]");
            return 0;
        }));
    }
    FDataSet.SetFieldData(FField, &block);
    FModified = true;
}

} // namespace dbf
