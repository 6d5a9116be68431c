// kitcheck keeps every text in cp1252, the launcher's code page: the values
// of setup.ini as the kit's machines read them, the launcher's own captions
// and kitcheck's messages (compiled like the launcher's, with SETUP32_CHARSET).
// The text is converted only when printed.
//
// Paths of the kit's files are held as the file system names them: UTF-8 on
// Linux (or any bytes: a name need not be UTF-8), the ANSI code page on
// Windows. A name in setup.ini is cp1252; on the kit author's Linux file
// system it is that name in UTF-8; on the disc it is the same name in
// Joliet; Windows gives it back to the launcher in cp1252.
#pragma once

#include <optional>
#include <string>

char32_t FromCp1252(char c);
char ToCp1252(char32_t c);  // '?' for a character cp1252 lacks
bool InCp1252(char32_t c);

std::string Utf8FromCp1252(const std::string& text);
std::string Utf8(char32_t c);

// The characters of UTF-8 text; nullopt when it is not UTF-8 (a byte that
// starts no character, a character cut short, an overlong form, a surrogate).
std::optional<std::u32string> DecodeUtf8(const std::string& text);

// Letter case as Windows matches names on the CD, over the characters a
// cp1252 name can hold: A-Z, the accented capitals of Latin-1, Š, Œ, Ž, Ÿ.
char32_t FoldCase(char32_t c);

// cp1252 text in the output's encoding: UTF-8 on Linux, itself on Windows.
std::string Shown(const std::string& cp1252);

// A path of the file system in cp1252, for a message: on Linux its UTF-8
// decoded ('?' for a character cp1252 lacks; a byte that is not UTF-8 kept
// as the cp1252 character it would be), on Windows itself.
std::string Cp1252FromPath(const std::string& path);

// A JSON string literal in plain ASCII: quotes, backslashes, control
// characters and everything above 0x7F as escapes.
std::string JsonString(const std::string& cp1252);

// Characters as a JSON string in plain ASCII.
std::string JsonString(const std::u32string& chars);

// A path of the file system as a JSON string in plain ASCII: on Linux its
// UTF-8 characters as escapes, each byte that is not UTF-8 as the lone
// surrogate U+DC80..U+DCFF that Python's os.fsdecode makes of it; on Windows
// as JsonString.
std::string JsonPath(const std::string& path);
