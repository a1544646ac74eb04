// The bridge to build as a CSV table for a spreadsheet in Brazilian
// Portuguese: a byte-order mark so that it reads UTF-8, semicolons between
// fields since the comma is the decimal sign, every number in full.
#include <string>

#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {

std::string CsvTable(const Study& study) {
  if (!study.build) return {};
  std::string text =
      "\xEF\xBB\xBF"
      "Barra;Nó inicial;Nó final;Comprimento (cm);Fios;Caso;Peso (g);Emenda\r\n";
  for (const BuildBar& bar : study.build->bars) {
    text += std::to_string(bar.bar) + ';' + std::to_string(bar.start) + ';' +
            std::to_string(bar.end) + ';' + ShortestDecimal(bar.length) + ';' +
            std::to_string(bar.strands) + ';' +
            (bar.loadCase == 0 ? std::string() : std::to_string(bar.loadCase)) + ';' +
            ShortestDecimal(bar.weight) + ';' + (bar.splice ? "sim" : "não") + "\r\n";
  }
  return text;
}

}  // namespace quivor::study
