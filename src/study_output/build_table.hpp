// The bridge to build as a table, one row per bar, its numbers rounded to
// the decimals that mean something, on the console and in the CSV file.
#pragma once

#include <string>
#include <vector>

#include "study/study.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {

inline const std::vector<std::string> kBuildHeadings{
    "Barra", "Nó inicial", "Nó final", "Comprimento (cm)", "Fios", "Caso", "Peso (g)", "Emenda"};

// The cells of one bar, lengths and weights rounded to 0,01. Where a bar has
// no load case the console shows "-" and the CSV file (`csv`) nothing.
inline std::vector<std::string> BuildRow(const BuildBar& bar, bool csv) {
  auto number = [](double value) { return Decimal(value, 2); };
  return {std::to_string(bar.bar),
          std::to_string(bar.start),
          std::to_string(bar.end),
          number(bar.length),
          std::to_string(bar.strands),
          bar.loadCase != 0 ? std::to_string(bar.loadCase) : (csv ? "" : "-"),
          number(bar.weight),
          bar.splice ? "sim" : "não"};
}

}  // namespace quivor::study
