#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Writes a file so that the target is either left as it was or replaced by the complete new
// content: the data goes into a temporary file in the target's folder, which Commit flushes to
// disk and renames over the target. A writer destroyed without a successful Commit removes its
// temporary file and leaves the target untouched. A target that is a symbolic link stays one:
// the file it leads to is replaced. A file that is replaced keeps its permissions.
class CAtomicFileWriter {
public:
    explicit CAtomicFileWriter(std::string targetPath);
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;
    ~CAtomicFileWriter();

    // False once anything failed; GetError then says what, naming the target.
    bool IsOk() const { return m_error.empty(); }
    const std::string& GetError() const { return m_error; }
    const std::string& GetTargetPath() const { return m_target; }
    // The temporary file while it exists (until Commit or a failure), else empty: what a
    // program that is interrupted removes before it exits.
    const std::string& GetTemporaryPath() const { return m_temp; }

    // The open temporary file, for writers that need a stdio stream (null after a failure).
    std::FILE* GetFile() { return m_file; }
    bool Write(const void* data, std::size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    // Puts the complete file in place. False, with the target as it was, on any failure.
    bool Commit();

private:
    void Fail(const std::string& what, int error);
    void Discard();

    std::string m_target;
    std::string m_destination; // the target with its symbolic links followed
    std::string m_temp;
    std::FILE* m_file = nullptr;
    std::string m_error;
};
