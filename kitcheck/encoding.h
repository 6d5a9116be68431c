// kitcheck keeps every text in cp1252, the launcher's code page: the values
// of setup.ini as the kit's machines read them, the launcher's own captions
// and kitcheck's messages (compiled like the launcher's, with SETUP32_CHARSET).
// The text is converted only when printed.
#pragma once

#include <string>

char32_t FromCp1252(char c);
char ToCp1252(char32_t c);  // '?' for a character cp1252 lacks

std::string Utf8FromCp1252(const std::string& text);

// A JSON string literal in plain ASCII: quotes, backslashes, control
// characters and everything above 0x7F as escapes.
std::string JsonString(const std::string& text);
