// The checks of a kit: the launcher's own code runs on the kit's files, and
// what it would meet silently is reported, each problem with its key or file.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <optional>

#include "app/setup_ini.h"
#include "kitcheck/disc_view.h"
#include "kitcheck/file_platform.h"
#include "kitcheck/ini_reader.h"
#include "kitcheck/picture_check.h"
#include "kitcheck/problem.h"

struct RowReport {
    std::string key;  // "Section/key"
    RowOutcome outcome;
    std::string value;  // what the launcher's 50-character buffer took
    std::string whole;  // what a large buffer takes
    std::optional<IniValue> at;  // where the file holds the value the launcher's reader meets
};

// A file the launcher opens.
struct FileReport {
    std::string name;   // as the launcher asks for it, relative to the kit folder (cp1252)
    std::string role;   // "setup.ini", "background", "page" or "program"
    int number = 0;     // of a background picture
    std::vector<std::string> keys;    // the rows its name comes from
    bool started = false;             // a program some road starts
    std::optional<std::string> path;  // the file found for it (FilePlatform::Found)
    std::string verdict;              // "shown", "missing", "program"...
    std::optional<PictureFacts> picture;  // a picture that is there
    double limit = 0;                     // a picture's longest hold, seconds (HoldLimit)
};

// What the launcher holds after reading setup.ini.
struct LauncherState {
    int nroImg = 0;
    std::string tipoImg, tipoImgTela;
    long interval = 0;  // ms
    bool okIe3Port = false, okIe4Port = false, okIe3Ingl = false, okIe4Ingl = false;
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
    std::string kit;   // the kit folder, as the file system names it
    std::string lang;  // the language the launcher sets
    std::optional<std::string> iniPath;  // setup.ini as found (FilePlatform::Found)
    std::string iniEncoding;             // "ansi", "utf-8-bom", "utf-16le-bom", "utf-16be-bom"; empty: missing
    LauncherState state;
    std::vector<RowReport> rows;
    std::vector<FileReport> files;
    DiscView disc;
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
