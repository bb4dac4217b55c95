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

bool CArchive::ReadAll(std::string& text) {
    auto failWith = [&](int error) {
        Fail("cannot read '" + m_path + "': " + std::strerror(error));
        return false;
    };
    if (m_mode != load) {
        Fail("'" + m_path + "' is open for writing");
        return false;
    }
    int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failWith(errno);
    struct stat info;
    if (fstat(fd, &info) != 0) {
        int error = errno;
        close(fd);
        return failWith(error);
    }
    if (S_ISDIR(info.st_mode)) {
        close(fd);
        return failWith(EISDIR);
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxLoadBytes) {
        close(fd);
        Fail("'" + m_path + "' is too large for a script (over " +
             std::to_string(kMaxLoadBytes >> 20) + " MB)");
        return false;
    }
    std::string content;
    std::string error;
    std::uint64_t expected = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    bool ok = ReadDescriptor(fd, expected, content, error);
    close(fd);
    if (!ok) {
        Fail("cannot read '" + m_path + "': " + error);
        return false;
    }
    text = std::move(content);
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
            error = "too large for a script (over " + std::to_string(kMaxLoadBytes >> 20) + " MB)";
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
