#pragma once

#include <string>

// printf-style formatting into a fresh string of whatever length the text needs.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
