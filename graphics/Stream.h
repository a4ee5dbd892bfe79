#pragma once
// Byte streams with a position: the form in which images reach the decoders and in which
// the archive hands out its members. Reads past the end return fewer bytes (0 at the end);
// the position may be set beyond the end, where reads return nothing.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

enum class TSeekOrigin : uint8_t { Beginning, Current, End };

class TStream {
public:
    virtual ~TStream() = default;
    // Up to count bytes into buffer; the number read. count < 0 reads nothing.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and returns it. A target before 0 leaves the position at 0.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Beginning); }
    virtual int64_t Size();
    // Bytes from the position to the end (0 when the position is beyond it).
    int64_t Remaining();
    // Up to maxBytes from the position on, as a string.
    std::string ReadRest(int64_t maxBytes);
};

// A stream over bytes held in memory; writes grow it.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : FBytes(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }
    const std::string& Bytes() const { return FBytes; }

private:
    std::string FBytes;
    int64_t FPosition = 0;
};

// A read-only stream over bytes that the caller keeps alive.
class TBytesStream : public TStream {
public:
    explicit TBytesStream(std::string_view bytes) : FBytes(bytes) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FBytes.size()); }

private:
    std::string_view FBytes;
    int64_t FPosition = 0;
};

enum class TFileMode : uint8_t { Read, ReadWrite };

// A file on disk. Opening raises EFileError "<path> を開けません".
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

private:
    std::FILE* FFile = nullptr;
};
