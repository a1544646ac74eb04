// The results report: an echo of the model, then one block per load case.
#pragma once

#include <string_view>

#include "model/model.hpp"
#include "report/record_writer.hpp"

namespace quivor {

// Writes the whole report to `unit`. `displayedName` is the typed model name
// left-justified in 50 characters.
void WriteResultsReport(TextOutputUnit& unit, std::string_view displayedName, const Model& model,
                        const Results& results);

}  // namespace quivor
