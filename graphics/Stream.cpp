#include "graphics/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/Exception.h"
#include "storage/Text.h"

namespace {

int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
    int64_t base = origin == TSeekOrigin::Beginning ? 0 : origin == TSeekOrigin::Current ? position : size;
    if (offset > 0 && base > INT64_MAX - offset)
        return INT64_MAX;
    return std::max<int64_t>(0, base + offset);
}

int64_t CopyOut(std::string_view bytes, int64_t& position, void* buffer, int64_t count) {
    if (count <= 0 || position >= static_cast<int64_t>(bytes.size()))
        return 0;
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes.size()) - position);
    std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(n));
    position += n;
    return n;
}

}  // namespace

int64_t TStream::Size() {
    int64_t position = Position();
    int64_t size = Seek(0, TSeekOrigin::End);
    SetPosition(position);
    return size;
}

int64_t TStream::Remaining() { return std::max<int64_t>(0, Size() - Position()); }

std::string TStream::ReadRest(int64_t maxBytes) {
    std::string bytes(static_cast<size_t>(std::min(Remaining(), maxBytes)), '\0');
    bytes.resize(static_cast<size_t>(Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
    return bytes;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) { return CopyOut(FBytes, FPosition, buffer, count); }

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    size_t end = static_cast<size_t>(FPosition + count);
    if (end > FBytes.size())
        FBytes.resize(end);
    std::memcpy(FBytes.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    return FPosition = SeekTarget(offset, origin, FPosition, Size());
}

int64_t TBytesStream::Read(void* buffer, int64_t count) { return CopyOut(FBytes, FPosition, buffer, count); }

int64_t TBytesStream::Seek(int64_t offset, TSeekOrigin origin) {
    return FPosition = SeekTarget(offset, origin, FPosition, Size());
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) {
    FFile = std::fopen(path.c_str(), mode == TFileMode::Read ? "rb" : "r+b");
    if (!FFile)
        throw EFileError(path + " を開けません: " + std::strerror(errno));
}

TFileStream::~TFileStream() { std::fclose(FFile); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), FFile));
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    fseeko(FFile, ftello(FFile), SEEK_SET);  // a C stream needs a positioning call between read and write
    int64_t written = static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), FFile));
    std::fflush(FFile);
    return written;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t position = ftello(FFile);
    int64_t target = SeekTarget(offset, origin, position, origin == TSeekOrigin::End ? Size() : 0);
    if (target != position)
        fseeko(FFile, target, SEEK_SET);
    return ftello(FFile);
}

int64_t TFileStream::Size() {
    int64_t position = ftello(FFile);
    fseeko(FFile, 0, SEEK_END);
    int64_t size = ftello(FFile);
    fseeko(FFile, position, SEEK_SET);
    return size;
}
