// A portable reader of initialization files that answers as the launcher's
// GetPrivateProfileStringA does. Its choices, checked against the real reader
// under Wine 8.0 by the differential test (tests/kitcheck):
//
// - Lines end at LF, CR or CRLF, in any mix. Blanks at both ends of a line,
//   of a name and of a value are removed; a blank is a space, a tab, VT, FF
//   or Ctrl-Z (0x1A, the DOS end of file some CDs carry). 0xA0 and other
//   bytes above 0x7F are never blanks.
// - A line whose first character is '[' and that holds a ']' starts a
//   section named by the text up to the LAST ']' of the line, blanks removed:
//   "[ Setup32 ] x" is Setup32, "[a]b]" is "a]b". A '[' line without ']' is
//   an ordinary line of the current section.
// - Other lines are "name=value" split at the first '='; a line without '='
//   names a key that has no value, and reading it gives the default.
// - There is no comment syntax of its own: ";x=1" or "#x=1" is a key named
//   ";x" or "#x", which no row asks for, so such lines act as comments. A ';'
//   inside a value is part of it: "nroimg=3 ; three" reads "3 ; three".
// - Section and key names match regardless of ASCII letter case.
// - Duplicates: the first section of a name is the only one searched (keys
//   of later sections of the same name are never found), and within it the
//   first key of a name wins. Lines before any section are never found.
// - An empty value ("key=") copies nothing: the result is 0, not the default.
// - One pair of matching quotes around a value ("..." or '...') is removed;
//   a lone quote, or quotes that do not match, stay. When the value in
//   quotes has exactly size-1 characters, one more is lost: the closing quote
//   is cut first and then the last character is dropped as if it were the
//   quote ("<49 a>" gives 48 characters in a 50-character buffer).
// - At most size-1 bytes are copied and a NUL added; the result is the count
//   copied. The default (without its trailing spaces) is copied when the key,
//   its section or the file is missing.
// - Bytes are taken as they stand (the ANSI code page, cp1252 on the kits'
//   machines). A file starting with a UTF-8 or UTF-16LE byte order mark is
//   decoded and stored in cp1252; characters that cp1252 lacks become '?'.
// - A NUL byte ends the name or value it stands in, blanks before it kept.
//
// Known differences from Windows: for a character cp1252 lacks, in a file
// with a byte order mark, Windows writes a "best fit" character where one
// exists ('a' for U+0101) and '?' only otherwise; here it is always '?'.
// Big-endian UTF-16 files are not decoded. The real Windows 95 reader was
// not available to compare with: these choices are those of the NT-class
// reader as Wine reproduces it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where a key's value stands in the file: the value as the file holds it,
// blanks removed and quotes kept, its line (from 1; CRLF, LF and CR each end
// one) and its bytes [begin, end) from the start of the file (a byte order
// mark included), and where that line begins.
struct IniValue {
    std::string text;
    std::size_t line = 0;
    std::size_t lineStart = 0, begin = 0, end = 0;
};
std::optional<IniValue> LocateIniValue(const std::string& fileBytes, const std::string& section,
                                      const std::string& key);

// The value of a key as the file holds it, blanks removed and quotes kept;
// nullopt when the section or the key is missing or the key has no '='.
std::optional<std::string> FindIniValue(const std::string& fileBytes, const std::string& section,
                                        const std::string& key);

// GetPrivateProfileString on a file's bytes (nullptr: no such file).
std::uint32_t ReadIniString(const std::string* fileBytes, const std::string& section, const std::string& key,
                            const std::string& def, char* buffer, std::uint32_t size);

// What the reader copies with a buffer of any size: the value, quotes removed.
std::string FullIniString(const std::string* fileBytes, const std::string& section, const std::string& key,
                          const std::string& def);
