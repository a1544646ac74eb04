// The bridge to build as a CSV table for a spreadsheet in Brazilian
// Portuguese, the numbers as the console shows them.
#include <string>
#include <vector>

#include "study_output/build_table.hpp"
#include "study_output/outputs.hpp"
#include "study_output/table.hpp"

namespace quivor::study {

std::string CsvTable(const Study& study) {
  if (!study.build) return {};
  std::vector<std::vector<std::string>> rows;
  rows.reserve(study.build->bars.size());
  for (const BuildBar& bar : study.build->bars) rows.push_back(BuildRow(bar, true));
  return CsvText(kBuildHeadings, rows);
}

}  // namespace quivor::study
