// The console text of quivor-study otimizar, from the optimisation's
// results only.
#include "optimize/report.hpp"

#include <cmath>
#include <optional>

#include "study_output/portuguese.hpp"
#include "study_output/table.hpp"

namespace quivor::optimize {
namespace {

using study::Decimal;
using study::Plural;

// A coordinate on the 0.01 cm grid with two decimals, any other as it is.
std::string Coordinate(double value) {
  return std::round(value * 100.0) / 100.0 == value ? Decimal(value, 2)
                                                    : study::ShortestDecimal(value);
}

std::string Optional(const std::optional<double>& value, int decimals) {
  return value ? Decimal(*value, decimals) : "-";
}

std::string Rules(const std::string& modelFile, const Optimization& result,
                  const ShapeRules& rules) {
  const Layout& layout = result.layout;
  const bool level = layout.deck.ty == 0.0;
  std::string text = "Otimização da forma de " + modelFile + ": ";
  if (layout.moving.empty()) {
    return text + "nenhum nó pode se mover (todos têm apoio ou carga, ou estão no tabuleiro).\n";
  }
  text += Plural(static_cast<long long>(layout.moving.size()), "nó pode se mover",
                 "nós podem se mover");
  if (rules.alongDeck) {
    text += level ? ", na vertical e na horizontal" : ", ao longo do tabuleiro e através dele";
  } else {
    text += level ? ", na vertical" : ", na direção perpendicular ao tabuleiro";
  }
  text += layout.symmetric        ? "; a simetria do modelo é mantida.\n"
          : layout.symmetricModel ? "; o modelo é simétrico, mas cada nó se move por si.\n"
                                  : "; o modelo não é simétrico.\n";
  text += "Altura máxima: " + Decimal(layout.heightLimit, 2) +
          " cm do tabuleiro; barra mais curta: " + Decimal(rules.shortestBar, 2) + " cm.\n";
  return text;
}

}  // namespace

std::string OptimizationReport(const std::string& modelFile, const std::string& written,
                               const Optimization& result, const ShapeRules& rules) {
  std::string text = Rules(modelFile, result, rules);
  const study::Study& before = result.before;
  const study::Study& after = result.after;

  // The whole bridge's figures: its weight goes down with each truss's.
  const study::Bridge& bridgeBefore = *before.bridge;
  const study::Bridge& bridgeAfter = *after.bridge;
  text += "\nA ponte: " + study::BridgeMakeup(bridgeBefore) + ".\n";
  study::Table table({"", "Peso de cada treliça (g)", "Peso da ponte (g)",
                      "Carga de colapso da ponte (kgf)", "Eficiência da ponte (kgf/kg)"});
  table.Add({"Antes", Decimal(before.build->weight, 2), Decimal(bridgeBefore.weight, 2),
             Optional(bridgeBefore.collapseLoad, 2), Optional(bridgeBefore.efficiency, 1)});
  table.Add({"Depois", Decimal(after.build->weight, 2), Decimal(bridgeAfter.weight, 2),
             Optional(bridgeAfter.collapseLoad, 2), Optional(bridgeAfter.efficiency, 1)});
  text += table.Text();
  if (result.improved) {
    const double saved = bridgeBefore.weight - bridgeAfter.weight;
    text += "A ponte ficou " + Decimal(saved, 2) + " g (" +
            Decimal(100.0 * saved / bridgeBefore.weight, 1) + " %) mais leve.\n";
  } else if (!result.layout.moving.empty()) {
    text += "Nenhuma forma mais leve foi encontrada: o modelo fica como está.\n";
  }

  if (!result.moves.empty()) {
    text += "\nNós movidos (cm):\n";
    study::Table moves({"Nó", "x antes", "y antes", "x depois", "y depois"});
    for (const NodeMove& move : result.moves) {
      moves.Add({std::to_string(move.node), Coordinate(move.x0), Coordinate(move.y0),
                 Coordinate(move.x), Coordinate(move.y)});
    }
    text += moves.Text();
  }
  text += "\nEscrito " + written + ".\n";
  return text;
}

std::string ProgressText(const Progress& progress) {
  return "Otimizando: busca " + std::to_string(progress.start) + " de " +
         std::to_string(progress.starts) + ", " + std::to_string(progress.evaluations) +
         " análises, a ponte mais leve até agora com " + Decimal(progress.weight, 2) + " g";
}

std::string SearchDoneText(int starts, std::int64_t evaluations) {
  return "Otimização: " + std::to_string(starts) + " buscas, " + std::to_string(evaluations) +
         " análises.";
}

}  // namespace quivor::optimize
