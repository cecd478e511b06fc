#pragma once
// TStream: a sequence of bytes with a position (blob fields of a dataset are read and written
// through one), and TMemoryStream, a stream held in memory.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class EStreamError : public std::runtime_error {
public:
    explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

class TStream {
public:
    virtual ~TStream() = default;
    // Bytes moved (fewer at the end of the data; 0 when nothing more).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // The new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t p) { Seek(p, soBeginning); }
    std::int64_t Size();
    // Exactly count bytes, else EStreamError ("Stream read error" / "Stream write error").
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // count bytes of source from its position (0: all of source from its start).
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    const std::vector<std::uint8_t>& Memory() const { return FData; }
    void Clear();

private:
    std::vector<std::uint8_t> FData;
    std::int64_t FPosition = 0;
};
