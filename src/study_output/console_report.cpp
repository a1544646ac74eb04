// The console text of a study: the truss's counts, then either the bridge to
// build and its collapse, or the mechanisms; the warnings last.
#include <algorithm>
#include <string>
#include <vector>

#include "study_output/bridge_output.hpp"
#include "study_output/build_table.hpp"
#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"
#include "study_output/table.hpp"

namespace quivor::study {
namespace {

// Mechanisms listed one by one on the console; the JSON document has all.
constexpr std::size_t kMechanismsShown = 20;

std::string Counts(const std::string& modelFile, const Study& study) {
  std::string text = "Modelo " + modelFile + ": " + Plural(study.nodes, "nó", "nós") + ", " +
                     Plural(study.bars, "barra", "barras") + ", " +
                     Plural(study.restraints, "direção presa", "direções presas") +
                     "; m + r - 2j = " + std::to_string(study.maxwell);
  if (study.maxwell < 0) {
    text += -study.maxwell == 1 ? std::string(" (falta ao menos 1 barra ou direção presa)")
                                : " (faltam ao menos " + std::to_string(-study.maxwell) +
                                      " barras ou direções presas)";
  }
  return text + ".\n";
}

std::string Build(const Study& study) {
  const BuildList& build = *study.build;
  std::string text =
      "\nCada treliça a construir (em cada barra, o maior número de fios que algum caso de "
      "carga pede):\n";
  Table table(kBuildHeadings);
  std::vector<int> spliced;
  for (const BuildBar& bar : build.bars) {
    table.Add(BuildRow(bar, false));
    if (bar.splice) spliced.push_back(bar.bar);
  }
  text += table.Text();
  text += "Peso de cada treliça: " + Decimal(build.weight, 2) + " g.\n";
  text += "Fios inteiros de " + ShortestDecimal(study.strandLength) +
          " cm para cortar as peças de cada treliça: " + std::to_string(build.wholeStrands) + ".\n";
  if (!spliced.empty()) {
    text += "Barras mais longas que um fio (precisam de emenda):";
    for (std::size_t i = 0; i < spliced.size(); ++i) {
      text += (i == 0 ? " " : ", ") + std::to_string(spliced[i]);
    }
    text += ".\n";
  }
  if (study.bridge) text += BridgeBuildText(study);
  return text;
}

std::string CollapseText(const Collapse& collapse) {
  return Decimal(collapse.load, 2) + " kgf (caso " + std::to_string(collapse.loadCase) +
         ", barra " + std::to_string(collapse.bar) +
         (collapse.mode == FailureMode::kTension ? ", rompe por tração" : ", flamba") + ")";
}

// The strand used, where it came from, and how the strands were counted
// when that is not quivor's own rule.
std::string Material(const Study& study) {
  const StrandMaterial& m = study.material;
  if (m.bundled()) {
    return "Material: " + MaterialOrigin(m) + ".\n" +
           (m.sizeWithMaterial ? "Contagem de fios: " + SizingText(m) + ".\n" : "");
  }
  return "Material: " + MaterialOrigin(m) + ":\n  " + ValueText(m, 0) + ";\n  " + ValueText(m, 1) +
         ";\n  " + ValueText(m, 2) + ".\nContagem de fios: " + SizingText(m) + ".\n";
}

std::string Collapses(const Study& study) {
  std::string text = "\nColapso de cada treliça, sem os coeficientes de segurança:\n";
  if (study.cases.empty()) return text + "  o modelo não tem casos de carga.\n";
  Table table({"Caso", "Carga (kgf)", "Fator", "Carga de colapso (kgf)", "Barra", "Modo",
               "Desl. máx. (cm)", "Nó"});
  for (const CaseCollapse& c : study.cases) {
    table.Add({std::to_string(c.loadCase), Decimal(c.load, 2),
               c.factor ? Decimal(*c.factor, 3) : "-",
               c.collapseLoad ? Decimal(*c.collapseLoad, 2) : "-",
               c.bar ? std::to_string(*c.bar) : "-", c.mode ? std::string(ModeName(*c.mode)) : "-",
               Decimal(c.maxDisplacement, 4), std::to_string(c.node)});
  }
  text += table.Text();
  if (!study.collapse) {
    return text + "Sem estimativa de colapso: nenhum caso de carga põe força nas barras.\n";
  }
  const bool bundled = study.material.bundled();
  text += std::string(bundled ? "Estimativa da carga de colapso de cada treliça: "
                              : "Estimativa esperada da carga de colapso de cada treliça "
                                "(valores médios): ") +
          CollapseText(*study.collapse) + ".\n";
  if (study.bridge) {
    text += BridgeCollapseText(study);
  } else if (study.efficiency) {
    text += "Eficiência: " + Decimal(*study.efficiency, 1) + " kgf por kg de treliça.\n";
  }
  if (!bundled && study.conservativeCollapse) {
    text += "Estimativa conservadora (valores característicos), cada treliça: " +
            CollapseText(*study.conservativeCollapse);
    if (study.bridge && study.bridge->conservativeCollapseLoad) {
      text += "; a ponte: " + Decimal(*study.bridge->conservativeCollapseLoad, 2) + " kgf";
      if (study.bridge->conservativeEfficiency) {
        text += ", eficiência " + Decimal(*study.bridge->conservativeEfficiency, 1) +
                " kgf por kg de ponte";
      }
    } else if (study.conservativeEfficiency) {
      text +=
          "; eficiência " + Decimal(*study.conservativeEfficiency, 1) + " kgf por kg de treliça";
    }
    text += ". É a que se entrega para ficar do lado seguro.\n";
  }
  return text;
}

std::string Mechanisms(const Study& study) {
  std::string text;
  if (study.mechanisms.empty()) {
    text = "A treliça é tratada como um mecanismo.\n";
  } else {
    text = "A treliça é um mecanismo: " + IndependentMotions(study.mechanisms.size()) + ".\n";
  }
  const std::size_t shown = std::min(study.mechanisms.size(), kMechanismsShown);
  for (std::size_t i = 0; i < shown; ++i) {
    text +=
        "  Mecanismo " + std::to_string(i + 1) + ": " + MechanismText(study.mechanisms[i]) + ".\n";
  }
  if (shown < study.mechanisms.size()) {
    text += "  ... e mais " + std::to_string(study.mechanisms.size() - shown) +
            " (todos com --json).\n";
  }
  if (study.quivorSingular) text += "O quivor para este modelo com \"Matriz singular\".\n";
  return text;
}

}  // namespace

std::string ConsoleReport(const std::string& modelFile, const Study& study,
                          std::span<const FileWarning> fileWarnings) {
  std::string text = Counts(modelFile, study);
  if (study.stable) {
    text += "A treliça é estável.\n";
    text += Material(study);
    text += Build(study);
    text += Collapses(study);
  } else {
    text += Mechanisms(study);
  }
  if (!study.warnings.empty() || !fileWarnings.empty()) {
    text += "\nAvisos:\n";
    for (const FileWarning& warning : fileWarnings) text += "  - " + warning.text + ".\n";
    for (const Warning& warning : study.warnings) text += "  - " + WarningText(warning) + ".\n";
  }
  return text;
}

}  // namespace quivor::study
