// A problem or a note of kitcheck's report.
#pragma once

#include <string>

struct Problem {
    std::string code;     // stable, for scripts: "beep", "cut", "program-missing"...
    std::string key;      // "Section/key" it concerns, or empty
    std::string file;     // the kit's file it concerns, as the launcher names it, or empty
    std::string message;  // in Portuguese
};
