// Fatal error reports: one line on standard error (after the system's own
// text for numbers 30, 38 and 39), then the end of the process with status
// 0xC0000000 + the message number.
#pragma once

#include <string>
#include <string_view>

#include "platform/failure.hpp"

namespace quivor {

// The bytes of the report: the "forrtl: " line of the system's text when one
// is due, then "forrtl: severe (N): text", each ending in CR LF. `fileName` is
// the full path of the unit's file ("CONIN$" for the console); unused for 41.
std::string FatalReportText(const Failure& failure, std::string_view fileName);

// Writes the report to standard error and ends the process.
[[noreturn]] void ReportFatalError(const Failure& failure, std::string_view fileName);

}  // namespace quivor
