#include "engine/encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {

namespace {

// A growing buffer that behaves as a new file does for FreeImage's encoders.
struct Sink {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

unsigned DLL_CALLCONV SinkWrite(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* sink = static_cast<Sink*>(handle);
    const size_t n = static_cast<size_t>(size) * count;
    if (n == 0)
        return count;
    if (sink->position + n > sink->bytes.size())
        sink->bytes.resize(sink->position + n);
    std::memcpy(sink->bytes.data() + sink->position, buffer, n);
    sink->position += n;
    return count;
}

unsigned DLL_CALLCONV SinkRead(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* sink = static_cast<Sink*>(handle);
    if (size == 0 || sink->position >= sink->bytes.size())
        return 0;
    const size_t items = std::min<size_t>(count, (sink->bytes.size() - sink->position) / size);
    std::memcpy(buffer, sink->bytes.data() + sink->position, items * size);
    sink->position += items * size;
    return static_cast<unsigned>(items);
}

int DLL_CALLCONV SinkSeek(fi_handle handle, long offset, int origin) {
    auto* sink = static_cast<Sink*>(handle);
    long base = 0;
    if (origin == SEEK_CUR)
        base = static_cast<long>(sink->position);
    else if (origin == SEEK_END)
        base = static_cast<long>(sink->bytes.size());
    else if (origin != SEEK_SET)
        return -1;
    if (offset < -base)
        return -1;
    sink->position = static_cast<size_t>(base + offset);
    return 0;
}

long DLL_CALLCONV SinkTell(fi_handle handle) {
    return static_cast<long>(static_cast<Sink*>(handle)->position);
}

} // namespace

EncodedImage EncodeImage(const Bitmap& bitmap, int fif, int flags) {
    if (!bitmap || fif < 0)
        return {};
    FreeImageIO io{SinkRead, SinkWrite, SinkSeek, SinkTell};
    Sink sink;
    if (!FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(fif), bitmap.get(), &io, &sink,
                                flags))
        return {};
    return EncodedImage(std::move(sink.bytes));
}

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, const EncodedImage& bytes, unsigned mode,
                         std::string& why) {
    std::string temp = FolderOf(path) + ".dravik-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    ::fchmod(fd, mode);
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    int error = errno;
    // A full disk may show only when the data reaches it.
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        why = std::strerror(error);
        ::unlink(temp.c_str());
    }
    return ok;
}

} // namespace dravik
