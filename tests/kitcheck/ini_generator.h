// Seeded generator of setup.ini files for the differential test of the
// portable reader: the launcher's sections and keys in mixed case, blanks and
// tabs around names and values, comments, duplicates, values around and over
// 49 characters, empty values, missing sections, bytes above 0x7F, quotes,
// CRLF, LF and CR line ends.
#pragma once

#include <cstdint>
#include <string>

// The same seed gives the same file on every machine.
std::string GenerateIni(std::uint32_t seed);

// A file's bytes as a C++ string literal, to copy into a table of cases.
std::string CppLiteral(const std::string& bytes);
