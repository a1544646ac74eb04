// The whole bridge beside each truss, as the console and the CSV table
// show it. Each only formats what the study's Bridge holds.
#pragma once

#include <string>
#include <vector>

#include "study/study.hpp"

namespace quivor::study {

// The bridge's make-up, weight against the limit and whole strands, for a
// study with a bridge (LF line ends).
std::string BridgeBuildText(const Study& study);
// The bridge's collapse load and efficiency, after each truss's collapse.
std::string BridgeCollapseText(const Study& study);

// The CSV table's columns of one bar for the whole bridge: its strands and
// weight in all the trusses.
std::vector<std::string> BridgeBarCells(const Study& study, const BuildBar& bar);
// The CSV table's summary below the bars: one figure a row, its name first,
// each truss's and the bridge's.
std::vector<std::vector<std::string>> BridgeSummaryRows(const Study& study);

}  // namespace quivor::study
