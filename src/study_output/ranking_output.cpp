// A ranking on the console and as a CSV table.
#include <algorithm>
#include <string>
#include <vector>

#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"
#include "study_output/table.hpp"

namespace quivor::study {
namespace {

// Lines named in a model's row; the report lists every warning below.
constexpr std::size_t kLinesInRow = 3;

// The note of a row whose model file has warnings: ", ver linha 7",
// ", ver linhas 7, 9 e 12", ", ver linhas 7, 9, 12...".
std::string SeeLines(const std::vector<FileWarning>& warnings) {
  if (warnings.empty()) return {};
  std::string text = warnings.size() == 1 ? ", ver linha " : ", ver linhas ";
  const std::size_t shown = std::min(warnings.size(), kLinesInRow);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) text += i + 1 == warnings.size() ? " e " : ", ";
    text += std::to_string(warnings[i].line);
  }
  if (shown < warnings.size()) text += "...";
  return text;
}

// The columns of figures after the situation: the bridge's, then each
// truss's.
constexpr std::size_t kFigureColumns = 6;

// The columns of one model, numbers as the console shows them (the CSV
// table leaves empty what the console shows as "-").
std::vector<std::string> Row(std::size_t place, const RankedModel& m) {
  std::vector<std::string> row{std::to_string(place), m.name};
  if (!m.study) {
    row.push_back(m.errorLine != 0 ? "erro no modelo, linha " + std::to_string(m.errorLine)
                                   : "erro no modelo");
    row.insert(row.end(), kFigureColumns, "");
    return row;
  }
  const Study& s = *m.study;
  if (!s.stable) {
    row.push_back("mecanismo" + SeeLines(m.warnings));
    row.insert(row.end(), kFigureColumns, "");
    return row;
  }
  row.push_back("estável" + SeeLines(m.warnings));
  const Bridge& bridge = *s.bridge;
  row.push_back(Decimal(bridge.weight, 2));
  row.push_back(bridge.withinLimit ? "sim" : "não");
  row.push_back(bridge.collapseLoad ? Decimal(*bridge.collapseLoad, 2) : "");
  row.push_back(bridge.efficiency ? Decimal(*bridge.efficiency, 1) : "");
  row.push_back(Decimal(s.build->weight, 2));
  row.push_back(s.collapse ? Decimal(s.collapse->load, 2) : "");
  return row;
}

// The columns of texts that a file's name puts in the CSV table.
constexpr std::size_t kNameColumn = 1;
constexpr std::size_t kErrorColumn = 3 + kFigureColumns;

const std::vector<std::string> kHeadings{"Posição",
                                         "Modelo",
                                         "Situação",
                                         "Peso da ponte (g)",
                                         "No limite",
                                         "Colapso da ponte (kgf)",
                                         "Eficiência da ponte (kgf/kg)",
                                         "Peso de cada treliça (g)",
                                         "Colapso de cada treliça (kgf)"};

}  // namespace

std::string RankingReport(const std::string& folder, const std::vector<RankedModel>& models,
                          const StudyOptions& options) {
  std::string text = "Classificação dos modelos de " + folder +
                     " pela eficiência da ponte (pontes de " +
                     Plural(options.trusses, "treliça", "treliças");
  if (options.glue != 0.0) text += ", " + ShortestDecimal(options.glue) + " g de cola por nó";
  if (options.extraWeight != 0.0) {
    text += ", " + ShortestDecimal(options.extraWeight) + " g de peso extra";
  }
  text += "; limite de " + ShortestDecimal(options.weightLimit) + " g):\n";
  if (models.empty()) return text + "  nenhum modelo (*.txt) na pasta.\n";
  Table table(kHeadings);
  for (std::size_t i = 0; i < models.size(); ++i) {
    std::vector<std::string> row = Row(i + 1, models[i]);
    for (std::string& cell : row) {
      if (cell.empty()) cell.assign(1, '-');
    }
    table.Add(std::move(row));
  }
  text += table.Text();
  bool first = true;
  for (const RankedModel& m : models) {
    if (m.study) continue;
    if (first) text += "\nErros:\n";
    first = false;
    text += "  - " + m.error + "\n";
  }
  first = true;
  for (const RankedModel& m : models) {
    for (const FileWarning& warning : m.warnings) {
      if (first) text += "\nAvisos:\n";
      first = false;
      text += "  - " + warning.text + ".\n";
    }
  }
  return text;
}

std::string RankingCsv(const std::vector<RankedModel>& models) {
  std::vector<std::string> headings = kHeadings;
  headings.push_back("Erro");
  std::vector<std::vector<std::string>> rows;
  rows.reserve(models.size());
  for (std::size_t i = 0; i < models.size(); ++i) {
    std::vector<std::string> row = Row(i + 1, models[i]);
    row.push_back(models[i].error);
    rows.push_back(std::move(row));
  }
  // The name and the message are texts; a name may begin with "=" or "-".
  return CsvText(headings, rows, {kNameColumn, kErrorColumn});
}

}  // namespace quivor::study
