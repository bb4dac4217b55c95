#include "script/Archive.h"

#include "platform/FileReader.h"

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
} // namespace

bool CArchive::ReadAll(std::string& text) {
    if (m_mode != load) {
        Fail("'" + m_path + "' is open for writing");
        return false;
    }
    std::string error;
    if (!ReadWholeFile(m_path, kMaxLoadBytes, TooLargeReason(), text, error)) {
        Fail("cannot read '" + m_path + "': " + error);
        return false;
    }
    return true;
}

bool CArchive::ReadDescriptor(int fd, std::uint64_t expectedBytes, std::string& text,
                              std::string& error) {
    return ReadWholeDescriptor(fd, expectedBytes, kMaxLoadBytes, TooLargeReason(), text, error);
}
