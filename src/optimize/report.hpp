// What quivor-study otimizar tells, in Brazilian Portuguese with decimal
// commas: the rules it moved the nodes by, the bridge before and after,
// and the nodes that moved.
#pragma once

#include <cstdint>
#include <string>

#include "optimize/optimize.hpp"

namespace quivor::optimize {

// The console text of an optimisation that found no error (UTF-8, LF line
// ends); `modelFile` and `written` name the model and the file written, as
// shown to the user.
std::string OptimizationReport(const std::string& modelFile, const std::string& written,
                               const Optimization& result, const ShapeRules& rules);

// The progress line (no line end): the local search under way, the
// analyses so far and the lightest bridge found.
std::string ProgressText(const Progress& progress);
// The line that replaces it when the search is over (no line end).
std::string SearchDoneText(int starts, std::int64_t evaluations);

}  // namespace quivor::optimize
