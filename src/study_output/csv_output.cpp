// The bridge to build as a CSV table for a spreadsheet in Brazilian
// Portuguese, the numbers as the console shows them.
#include <string>
#include <vector>

#include "study_output/bridge_output.hpp"
#include "study_output/build_table.hpp"
#include "study_output/outputs.hpp"
#include "study_output/table.hpp"

namespace quivor::study {

std::string CsvTable(const Study& study) {
  if (!study.build || !study.bridge) return {};
  // Each bar of one truss, then the same bar in all the trusses of the
  // bridge; below the bars, the figures of each truss and of the bridge.
  std::vector<std::string> headings = kBuildHeadings;
  headings[4] = "Fios em cada treliça";
  headings[6] = "Peso em cada treliça (g)";
  headings.insert(headings.end(), {"Fios na ponte", "Peso na ponte (g)"});
  std::vector<std::vector<std::string>> rows;
  rows.reserve(study.build->bars.size() + 16);
  for (const BuildBar& bar : study.build->bars) {
    std::vector<std::string> row = BuildRow(bar, true);
    const std::vector<std::string> whole = BridgeBarCells(study, bar);
    row.insert(row.end(), whole.begin(), whole.end());
    rows.push_back(std::move(row));
  }
  rows.emplace_back();
  for (std::vector<std::string>& row : BridgeSummaryRows(study)) rows.push_back(std::move(row));
  return CsvText(headings, rows);
}

}  // namespace quivor::study
