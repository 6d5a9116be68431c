// The checks of a kit: the launcher's own code runs on the kit's files, and
// what it would meet silently is reported, each problem with its key or file.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/setup_ini.h"
#include "kitcheck/file_platform.h"

struct Problem {
    std::string code;     // stable, for scripts: "beep", "cut", "program-missing"...
    std::string key;      // "Section/key" it concerns, or empty
    std::string file;     // the kit's file it concerns, as the launcher names it, or empty
    std::string message;  // in Portuguese
};

struct RowReport {
    std::string key;  // "Section/key"
    RowOutcome outcome;
    std::string value;  // what the launcher's 50-character buffer took
    std::string whole;  // what a large buffer takes
};

// What Next on the browser page starts for a version.
struct Start {
    std::int16_t version = 0;
    std::string option;   // the option's caption
    std::string key;      // the Arquivos row of the command
    std::string command;  // as it is started
};

// The browser page for one classification of the installed browser.
struct OfferRow {
    std::string browser;  // "3", "4", "5", or "unknown" (no browser found)
    std::int16_t ieVer = 0;
    std::vector<std::int16_t> options;  // the versions offered, in the page's order
    std::string plan;                   // the text above the options
    std::vector<Start> choices;         // Next after choosing each option offered
    Start byDefault;                    // Next without a choice
};

struct KitReport {
    std::string kit;   // the kit folder
    std::string lang;  // the language the launcher sets
    std::vector<RowReport> rows;
    std::vector<Problem> problems;
    std::vector<Problem> notes;  // they leave the status alone: setup.ini's, then the CD's (cd_notes.h)
    // The Arquivos rows ("Arquivos/ie5port") some road of the launcher
    // starts: the browser page's Next for every browser, option offered and
    // Next without a choice, in the language the launcher sets; the dialer.
    std::set<std::string> started;
    std::vector<OfferRow> matrix;
    std::string dialer;
    int beeps = 0;
    int status() const { return problems.empty() ? 0 : 1; }
};

// Runs the launcher's start-up on the kit folder of the platform.
KitReport CheckKit(FilePlatform& sys);

// The program files that starting the command would try, in order: the
// quoted name, or each run of the command that ends at a blank or at the
// end; ".exe" appended to a name without extension. Empty: no program at all.
std::vector<std::string> ProgramCandidates(const std::string& command);
