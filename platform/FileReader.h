#pragma once

#include <cstdint>
#include <string>

// The one way the program reads a whole file into memory: scripts, settings stores.
//
// Reads to the end rather than trusting the size the file reports (pipes report none), and
// takes a regular file that shrinks or grows while it is read for an error, never for a
// complete text. More than maxBytes is refused, before a byte is read when the size is known.
// On failure the error says why (the system's reason, tooLargeReason, or that the file
// changed) and the text is untouched.
bool ReadWholeFile(const std::string& path, std::uint64_t maxBytes,
                   const std::string& tooLargeReason, std::string& text, std::string& error);

// The same over an open descriptor; expectedBytes is the size reported when it was opened
// (0: unknown, whatever arrives is the text).
bool ReadWholeDescriptor(int fd, std::uint64_t expectedBytes, std::uint64_t maxBytes,
                         const std::string& tooLargeReason, std::string& text, std::string& error);
