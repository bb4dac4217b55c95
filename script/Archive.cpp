#include "script/Archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CArchive::CArchive(std::string path, Mode mode) : m_path(std::move(path)), m_mode(mode) {
    if (mode == store)
        m_writer = std::make_unique<CAtomicFileWriter>(m_path);
}

CArchive::~CArchive() = default;

void CArchive::Fail(const std::string& what) {
    if (m_error.empty())
        m_error = what;
}

void CArchive::WriteString(const std::string& text) {
    if (!m_writer || !m_writer->IsOk())
        return;
    m_writer->Write(text);
}

bool CArchive::Close() {
    if (!m_writer)
        return IsOk();
    if (!m_writer->IsOk() || !m_writer->Commit())
        Fail(m_writer->GetError());
    m_writer.reset();
    return IsOk();
}

namespace {
std::string TooLargeReason() {
    return "too large for a script (over " + std::to_string(CArchive::kMaxLoadBytes >> 20) + " MB)";
}

// Closes the descriptor whichever way the read ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};
} // namespace

bool CArchive::ReadAll(std::string& text) {
    if (m_mode != load) {
        Fail("'" + m_path + "' is open for writing");
        return false;
    }
    auto failWith = [&](const std::string& reason) {
        Fail("cannot read '" + m_path + "': " + reason);
        return false;
    };
    Descriptor file{open(m_path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info;
    if (file.fd < 0 || fstat(file.fd, &info) != 0)
        return failWith(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return failWith(std::strerror(EISDIR));
    // Refused before a byte is read; ReadDescriptor also stops at the limit for files whose
    // size is not known in advance.
    if (static_cast<std::uint64_t>(info.st_size) > kMaxLoadBytes)
        return failWith(TooLargeReason());
    std::uint64_t expected = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    std::string error;
    if (!ReadDescriptor(file.fd, expected, text, error))
        return failWith(error);
    return true;
}

bool CArchive::ReadDescriptor(int fd, std::uint64_t expectedBytes, std::string& text,
                              std::string& error) {
    // Read to the end rather than trusting the size: pipes report none, and a file that
    // shrinks or grows while it is read must not be taken for complete when it is not.
    std::string content;
    content.reserve(static_cast<std::size_t>(std::min(expectedBytes, kMaxLoadBytes)));
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
        if (content.size() + static_cast<std::size_t>(got) > kMaxLoadBytes) {
            error = TooLargeReason();
            return false;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    // A size of 0 means "unknown" (pipes, special files): whatever arrived is the text.
    if (expectedBytes != 0 && content.size() != expectedBytes) {
        error = "the file changed while it was being read";
        return false;
    }
    text = std::move(content);
    return true;
}
