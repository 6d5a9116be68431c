// The kit folder as a disc holds it: every file and folder under it with its
// Joliet name and its ISO 9660 level-1 name, as
// `xorriso -as mkisofs -iso-level 1 -J -input-charset utf-8` writes them,
// whether the disc takes it at all (links that leave the kit, loop or lead
// nowhere, and what is no file or folder, stay off), and the problems of
// names Windows would not find.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kitcheck/file_platform.h"
#include "kitcheck/problem.h"

struct DiscEntry {
    KitEntry entry;
    std::optional<std::u32string> joliet;   // the path, '\' between names; nullopt when the disc leaves it off
    std::optional<std::u32string> iso9660;  // likewise, level-1 names as Windows shows them (no ";1")
    bool copy = true;                       // whether the disc holds it
};

struct DiscView {
    std::vector<DiscEntry> entries;
    std::optional<std::string> launcher;  // the kit's own Setup32.exe in its root, any letter case
    std::optional<std::string> autorun;   // and its autorun.inf
    std::vector<Problem> problems;
    std::vector<Problem> notes;  // links that stay in the kit, followed
};

DiscView ViewDisc(const std::vector<KitEntry>& entries);

// One name as xorriso writes it, before clashes in its folder are numbered:
// the ISO 9660 level-1 identifier (8.3 capitals of A-Z, 0-9 and _; a file's
// identifier keeps its dot even without an extension) and the Joliet one (at
// most 64 characters, *, /, :, ;, ? and \ made _). Empty when none can be made.
std::u32string Level1Identifier(const std::u32string& name, bool folder);
std::u32string JolietIdentifier(const std::u32string& name, bool folder);

// The identifiers of one folder's entries made unique as xorriso makes
// them: the last characters of each name in a clash become a number.
// `originals` are the entries' own names, which order a clash.
void NumberClashes(std::vector<std::u32string>& identifiers, const std::vector<bool>& folders,
                   const std::vector<std::string>& originals, bool joliet);
