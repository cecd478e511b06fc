#include "platform/data/stream.h"

#include <algorithm>
#include <cstring>

std::int64_t TStream::Size() {
    const std::int64_t here = Seek(0, soCurrent);
    const std::int64_t size = Seek(0, soEnd);
    Seek(here, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> chunk(65536);
    std::int64_t done = 0;
    while (done < count) {
        const std::int64_t n = std::min<std::int64_t>(count - done, chunk.size());
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        done += n;
    }
    return done;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t size = static_cast<std::int64_t>(FData.size());
    const std::int64_t n =
        std::clamp<std::int64_t>(size - FPosition, 0, std::max<std::int64_t>(count, 0));
    if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const std::size_t end = static_cast<std::size_t>(FPosition + count);
    if (end > FData.size()) FData.resize(end);
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base =
        origin == soBeginning
            ? 0
            : (origin == soCurrent ? FPosition : static_cast<std::int64_t>(FData.size()));
    FPosition = std::max<std::int64_t>(0, base + offset);
    return FPosition;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}
