#include "platform/AtomicFileWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The temporary file sits beside the target, so that the rename never crosses file systems.
std::string TemporaryPattern(const std::string& target) {
    std::filesystem::path path(target);
    std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string name = ".";
    name += path.filename().string();
    name += ".XXXXXX";
    return (folder / name).string();
}
} // namespace

CAtomicFileWriter::CAtomicFileWriter(std::string targetPath) : m_target(std::move(targetPath)) {
    if (m_target.empty()) {
        m_error = "no file name given";
        return;
    }
    struct stat info;
    if (stat(m_target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        Fail("cannot write", EISDIR);
        return;
    }
    std::string pattern = TemporaryPattern(m_target);
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        Fail("cannot write", errno);
        return;
    }
    m_temp = pattern;
    // mkstemp makes the file private; give it the permissions a plain new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        Fail("cannot write", errno);
        close(fd);
        Discard();
    }
}

CAtomicFileWriter::~CAtomicFileWriter() {
    Discard();
}

void CAtomicFileWriter::Fail(const std::string& what, int error) {
    if (m_error.empty())
        m_error = what + " '" + m_target + "': " + std::strerror(error);
}

void CAtomicFileWriter::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        unlink(m_temp.c_str());
        m_temp.clear();
    }
}

bool CAtomicFileWriter::Write(const void* data, std::size_t size) {
    if (!m_file)
        return false;
    if (size && std::fwrite(data, 1, size, m_file) != size) {
        Fail("cannot write", errno ? errno : EIO);
        Discard();
        return false;
    }
    return true;
}

bool CAtomicFileWriter::Commit() {
    if (!m_file) {
        if (m_error.empty())
            m_error = "'" + m_target + "' was already written";
        return false;
    }
    std::FILE* file = m_file;
    m_file = nullptr;
    bool ok = std::fflush(file) == 0 && !std::ferror(file);
    int error = errno ? errno : EIO;
    if (ok && fsync(fileno(file)) != 0) {
        ok = false;
        error = errno;
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(m_temp.c_str(), m_target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        Fail("cannot write", error);
        Discard();
        return false;
    }
    m_temp.clear();
    return true;
}
