// Notes for the CD: what works from the kit folder but less well, or not on
// every disc, once the kit is written to a CD-ROM. Notes are not problems:
// they leave kitcheck's exit status alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kitcheck/file_platform.h"
#include "kitcheck/problem.h"
#include "kitcheck/picture_check.h"

// What the launcher asked for, as the notes need it.
struct CdFacts {
    std::string kitPath;                  // the kit folder with its final separator
    long interval = 500;                  // the slideshow timer's interval, ms (0: stopped)
    // The pictures the ticks load, as the kit names them, and what each is.
    std::vector<std::pair<std::string, PictureFacts>> slideshow;
    std::vector<Problem> namedFiles;      // each file setup.ini makes the launcher use: key and file
};

// Whether every folder and file name of the path (backslashes or slashes
// between them) is an ISO 9660 level-1 name: 1 to 8 characters of A-Z, 0-9
// and _, and for a file an optional extension of up to 3 of them. Letter case
// is not held against a name: the disc writer puts it in capitals, and
// Windows finds a name in any case.
bool Level1Name(const std::string& path);

// The program autorun.inf's open= starts (the quoted name, or the run up to
// the first blank), or empty when the text has no [autorun] open= line.
std::string AutorunOpen(const std::string& autorunText);

// slow-on-cd (a tick on a 4x drive and a 100 MHz Pentium longer than the
// interval, or than one second: cost_model.h), name-needs-joliet and autorun-open-missing, in this order.
std::vector<Problem> CdNotes(const FilePlatform& sys, const CdFacts& facts);
