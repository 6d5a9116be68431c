// The two forms of kitcheck's report: text for people (cp1252, converted
// when printed) and JSON for scripts (plain ASCII).
#pragma once

#include <string>

#include "kitcheck/kit_check.h"

std::string TextReport(const KitReport& report);
std::string JsonReport(const KitReport& report);
std::string JsonError(const std::string& message);

extern const char* const kHelpText;
