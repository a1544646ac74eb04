// The bridge to build as a table, one row per bar: on the console with its
// numbers rounded, in the CSV file with every number in full.
#pragma once

#include <string>
#include <vector>

#include "study/study.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {

inline const std::vector<std::string> kBuildHeadings{
    "Barra", "Nó inicial", "Nó final", "Comprimento (cm)", "Fios", "Caso", "Peso (g)", "Emenda"};

// The cells of one bar: numbers in full (`full`, the CSV file) or rounded to
// 0,01 (the console, which also shows "-" where a bar has no load case).
inline std::vector<std::string> BuildRow(const BuildBar& bar, bool full) {
  auto number = [full](double value) { return full ? ShortestDecimal(value) : Decimal(value, 2); };
  return {std::to_string(bar.bar),
          std::to_string(bar.start),
          std::to_string(bar.end),
          number(bar.length),
          std::to_string(bar.strands),
          bar.loadCase != 0 ? std::to_string(bar.loadCase) : (full ? "" : "-"),
          number(bar.weight),
          bar.splice ? "sim" : "não"};
}

}  // namespace quivor::study
