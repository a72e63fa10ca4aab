#include "kivo/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kivo::cli {

namespace {

ReadResult failure(int error) {
    return {std::nullopt, std::strerror(error)};
}

// Closes the descriptor however the read ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

ReadResult readWholeFile(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return failure(errno);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return failure(errno);
    }
    // Opening a directory read-only succeeds; reading it is what fails, so refuse it up front.
    if (S_ISDIR(info.st_mode)) {
        return failure(EISDIR);
    }

    std::string bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure(errno);
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return {std::move(bytes), {}};
}

} // namespace kivo::cli
