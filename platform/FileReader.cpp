#include "platform/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Closes the descriptor whichever way the read ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};
} // namespace

bool ReadWholeFile(const std::string& path, std::uint64_t maxBytes,
                   const std::string& tooLargeReason, std::string& text, std::string& error) {
    Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info;
    if (file.fd < 0 || fstat(file.fd, &info) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = std::strerror(EISDIR);
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        error = tooLargeReason;
        return false;
    }
    std::uint64_t expected = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    return ReadWholeDescriptor(file.fd, expected, maxBytes, tooLargeReason, text, error);
}

bool ReadWholeDescriptor(int fd, std::uint64_t expectedBytes, std::uint64_t maxBytes,
                         const std::string& tooLargeReason, std::string& text, std::string& error) {
    std::string content;
    content.reserve(static_cast<std::size_t>(std::min(expectedBytes, maxBytes)));
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        if (content.size() + static_cast<std::size_t>(got) > maxBytes) {
            error = tooLargeReason;
            return false;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    if (expectedBytes != 0 && content.size() != expectedBytes) {
        error = "the file changed while it was being read";
        return false;
    }
    text = std::move(content);
    return true;
}
