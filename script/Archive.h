#pragma once

#include "platform/AtomicFileWriter.h"

#include <cstdint>
#include <memory>
#include <string>

// A storing or loading stream over a file, for the document's Serialize.
//
// Storing writes into a temporary file in the target's folder and renames it over the target
// only when Close succeeds, so a failed save (full disk, killed process, unwritable folder)
// never destroys the file that was there. Loading reads the whole file at once.
class CArchive {
public:
    enum Mode { store, load };

    // The largest file that loading accepts; larger ones are refused, not half read.
    static constexpr std::uint64_t kMaxLoadBytes = std::uint64_t(1) << 30;

    CArchive(std::string path, Mode mode);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    ~CArchive(); // an unclosed storing archive discards its temporary file

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }
    // False once anything failed; GetError then says what, naming the file.
    bool IsOk() const { return m_error.empty() && (!m_writer || m_writer->IsOk()); }
    const std::string& GetError() const {
        return m_error.empty() && m_writer ? m_writer->GetError() : m_error;
    }
    const std::string& GetPath() const { return m_path; }

    // Storing: appends the characters, with no terminator and no line end of their own.
    void WriteString(const std::string& text);
    // Storing: completes the file and puts it in place. Loading: nothing to do.
    bool Close();

    // Loading: the whole file. False (with the error set) when it cannot be read completely.
    bool ReadAll(std::string& text);

    // Reads an open descriptor to its end. expectedBytes is the size the file reported when
    // it was opened (0: unknown); a file that turns out shorter or longer is an error, never a
    // text taken for complete. Also refuses more than kMaxLoadBytes.
    static bool ReadDescriptor(int fd, std::uint64_t expectedBytes, std::string& text,
                               std::string& error);

private:
    void Fail(const std::string& what);

    std::string m_path;
    Mode m_mode;
    std::string m_error;
    std::unique_ptr<CAtomicFileWriter> m_writer; // storing only
};
