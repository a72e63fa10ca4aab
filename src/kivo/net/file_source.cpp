#include "kivo/net/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace kivo::net::detail {

namespace {

std::string describeErrno(int error) {
    return std::generic_category().message(error);
}

} // namespace

FileContents readWholeFile(const std::string& path, std::size_t maxBytes) {
    FileContents contents;
    // O_NONBLOCK keeps a FIFO or device from stalling the open; such files are refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        contents.error = describeErrno(errno);
        return contents;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        contents.error = describeErrno(errno);
    } else if (S_ISDIR(info.st_mode)) {
        contents.error = "it is a directory";
    } else if (!S_ISREG(info.st_mode)) {
        contents.error = "it is not a regular file";
    } else if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        contents.error = "the file is larger than the limit of " + std::to_string(maxBytes) + " bytes";
    }
    if (!contents.error.empty()) {
        ::close(fd);
        return contents;
    }
    contents.bytes.resize(static_cast<std::size_t>(info.st_size));
    // Reading one byte past the limit tells a file that grew too large.
    const std::size_t cap = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.bytes.size()) {
            // The file may have grown since fstat: look for more, within the limit.
            if (filled >= cap) {
                break;
            }
            contents.bytes.resize(cap - filled > 64 * 1024 ? filled + 64 * 1024 : cap);
        }
        const ssize_t n = ::read(fd, contents.bytes.data() + filled, contents.bytes.size() - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            contents.error = describeErrno(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (contents.error.empty() && filled > maxBytes) {
        contents.error = "the file is larger than the limit of " + std::to_string(maxBytes) + " bytes";
    }
    if (!contents.error.empty()) {
        contents.bytes.clear();
        return contents;
    }
    contents.bytes.resize(filled);
    return contents;
}

} // namespace kivo::net::detail
