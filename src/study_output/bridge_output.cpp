// The whole bridge on the console and in the CSV table.
#include "study_output/bridge_output.hpp"

#include <cstdint>
#include <optional>

#include "study_output/portuguese.hpp"

namespace quivor::study {
namespace {

std::string OrEmpty(const std::optional<double>& value, int decimals) {
  return value ? Decimal(*value, decimals) : std::string();
}

// "da treliça" (one), "das 2 treliças" (more).
std::string AllTrusses(int trusses) {
  return trusses == 1 ? "da treliça" : "das " + std::to_string(trusses) + " treliças";
}

}  // namespace

std::string BridgeBuildText(const Study& study) {
  const Bridge& bridge = *study.bridge;
  std::string text = "\nA ponte: " + BridgeMakeup(bridge) + ".\n";
  text += "Peso da ponte: " + Decimal(bridge.weight, 2) + " g (" + BridgeWeightParts(bridge) +
          "); limite de " + ShortestDecimal(study.weightLimit) + " g: ";
  const double margin = study.weightLimit - bridge.weight;
  text += margin >= 0.0 ? "dentro do limite, com folga de " + Decimal(margin, 2) + " g.\n"
                        : "ACIMA do limite em " + Decimal(-margin, 2) + " g.\n";
  text += "Fios inteiros de " + ShortestDecimal(study.strandLength) + " cm para cortar as peças " +
          AllTrusses(bridge.trusses) + ": " + std::to_string(bridge.wholeStrands);
  if (bridge.trusses > 1) {
    text += " (cada barra da tabela " + std::to_string(bridge.trusses) +
            " vezes, as peças cortadas juntas)";
  }
  return text + ".\n";
}

std::string BridgeCollapseText(const Study& study) {
  const Bridge& bridge = *study.bridge;
  if (!bridge.collapseLoad) return {};
  std::string text = "Carga de colapso da ponte: " + Decimal(*bridge.collapseLoad, 2) + " kgf (" +
                     Plural(bridge.trusses, "treliça", "treliças") + " de " +
                     Decimal(study.collapse->load, 2) + " kgf).\n";
  if (bridge.efficiency) {
    text += "Eficiência da ponte: " + Decimal(*bridge.efficiency, 1) + " kgf por kg de ponte";
    if (study.efficiency) {
      text += " (cada treliça sozinha: " + Decimal(*study.efficiency, 1) + " kgf por kg)";
    }
    text += ".\n";
  }
  return text;
}

std::vector<std::string> BridgeBarCells(const Study& study, const BuildBar& bar) {
  const double trusses = static_cast<double>(study.bridge->trusses);
  return {std::to_string(std::int64_t{bar.strands} * study.bridge->trusses),
          Decimal(trusses * bar.weight, 2)};
}

std::vector<std::vector<std::string>> BridgeSummaryRows(const Study& study) {
  const Bridge& bridge = *study.bridge;
  return {
      {"Peso de cada treliça (g)", Decimal(study.build->weight, 2)},
      {"Fios inteiros para cada treliça", std::to_string(study.build->wholeStrands)},
      {"Carga de colapso de cada treliça (kgf)",
       study.collapse ? Decimal(study.collapse->load, 2) : std::string()},
      {"Treliças na ponte", std::to_string(bridge.trusses)},
      {"Cola por nó (g)", ShortestDecimal(bridge.glue)},
      {"Cola da ponte (g)", Decimal(bridge.glueWeight, 2)},
      {"Peso extra (g)", Decimal(bridge.extraWeight, 2)},
      {"Peso da ponte (g)", Decimal(bridge.weight, 2)},
      {"Limite de peso da ponte (g)", ShortestDecimal(study.weightLimit)},
      {"Dentro do limite", bridge.withinLimit ? "sim" : "não"},
      {"Fios inteiros para a ponte", std::to_string(bridge.wholeStrands)},
      {"Carga de colapso da ponte (kgf)", OrEmpty(bridge.collapseLoad, 2)},
      {"Eficiência da ponte (kgf/kg)", OrEmpty(bridge.efficiency, 1)},
  };
}

}  // namespace quivor::study
