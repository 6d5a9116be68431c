// The two forms of kitcheck's report: text for people (in the output's
// encoding: UTF-8 on Linux, cp1252 on Windows) and JSON for scripts (plain
// ASCII).
#pragma once

#include <string>
#include <vector>

#include "kitcheck/kit_check.h"
#include "kitcheck/picture_check.h"

std::string TextReport(const KitReport& report);
std::string JsonReport(const KitReport& report);

// `kitcheck --picture FILE...`: pictures judged and costed alone.
struct PictureReport {
    std::string file;  // as given, as the file system names it
    PictureFacts facts;
};
std::string TextPictures(const std::vector<PictureReport>& pictures);
std::string JsonPictures(const std::vector<PictureReport>& pictures, int status);

std::string JsonPicture(const PictureFacts& facts);
std::string JsonModel();
std::string JsonError(const std::string& message);

extern const char* const kHelpText;
