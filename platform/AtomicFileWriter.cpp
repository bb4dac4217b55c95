#include "platform/AtomicFileWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Where the content goes: the path itself, or, when it is a symbolic link, the file the link
// leads to (through any chain of links), so that the link stays a link. False with ELOOP for a
// chain that never ends.
bool FollowLinks(const std::string& path, std::string& destination, int& error) {
    namespace fs = std::filesystem;
    fs::path resolved = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ignored;
        if (!fs::is_symlink(fs::symlink_status(resolved, ignored))) {
            destination = resolved.string();
            return true;
        }
        fs::path link = fs::read_symlink(resolved, ignored);
        if (link.empty()) {
            destination = resolved.string();
            return true;
        }
        resolved = link.is_absolute() ? link : resolved.parent_path() / link;
    }
    error = ELOOP;
    return false;
}

// The temporary file sits beside the destination, so that the rename never crosses file
// systems.
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
    int linkError = 0;
    if (!FollowLinks(m_target, m_destination, linkError)) {
        Fail("cannot write", linkError);
        return;
    }
    struct stat info;
    bool exists = stat(m_destination.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        Fail("cannot write", EISDIR);
        return;
    }
    std::string pattern = TemporaryPattern(m_destination);
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        Fail("cannot write", errno);
        return;
    }
    m_temp = pattern;
    // mkstemp makes the file private: a file that is replaced keeps its permissions, a new one
    // gets those a plain new file would get.
    mode_t mode = 0;
    if (exists && S_ISREG(info.st_mode)) {
        mode = info.st_mode & 0777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
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
    if (ok && rename(m_temp.c_str(), m_destination.c_str()) != 0) {
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
