// The results report: header, echo of the model, then per load case the bar
// results, the sign legend, the total weight and the reactions.
//
// Every value goes from its array straight into its field; the fields of each
// row stand below the words of the heading written before it.
#include "report/results_report.hpp"

#include <array>
#include <cstdint>

namespace quivor {
namespace {

// label 2-4, x 8-13, y 22-27 (cm)
constexpr std::array kNodeRowFormat = {X(1), I(3), X(3), F(6, 2), X(8), F(6, 2)};
// bar label 2-4, start node label 13-15, end node label 24-26
constexpr std::array kBarRowFormat = {X(1), I(3), X(8), I(3), X(8), I(3)};
// internal node index 2-4, restraint code x 17, restraint code y 28
constexpr std::array kSupportRowFormat = {X(1), I(3), X(12), I(1), X(10), I(1)};
// bar label 3-5, length 13-18 (cm), force 31-36 (kgf), strands 52-54, weight 61-67 (g)
constexpr std::array kBarResultRowFormat = {X(2),    I(3),  X(7), F(6, 2), X(12),
                                            F(6, 2), X(15), I(3), X(6),    F(7, 2)};
// text 1-52, total weight 53-59 (g)
constexpr std::array kTotalWeightFormat = {A(52), F(7, 2)};
// node label 2-4, reaction x 8-13, reaction y 19-24 (kgf)
constexpr std::array kReactionRowFormat = {X(1), I(3), X(3), F(6, 2), X(5), F(6, 2)};

void WriteModelEcho(TextOutputUnit& unit, std::string_view displayedName, const Model& model) {
  WriteFreeFormRecord(unit, {"  =>OS RESULTADOS ESTAO APRESENTADOS NA TABELA ABAIXO<="});
  WriteFreeFormRecord(unit, {});
  // 1 + 31 + 50 columns exceed the 80 of a record: the name goes on a line of
  // its own.
  WriteFreeFormRecord(unit, {"  NOME DO ARQUIVO DE TRABALHO: ", displayedName});
  WriteFreeFormRecord(unit, {});

  WriteFreeFormRecord(unit, {"  NO  COORDENADA X  COORDENADA Y"});
  WriteFreeFormRecord(unit, {});
  for (int i = 1; i <= model.nodeCount; ++i) {
    WriteFormattedRecord(unit, kNodeRowFormat,
                         {model.nodeLabel(i), model.nodeCoord(i, 1), model.nodeCoord(i, 2)});
  }
  WriteFreeFormRecord(unit, {});

  WriteFreeFormRecord(unit, {" ELEMENTO  NO INICIAL  NO FINAL"});
  WriteFreeFormRecord(unit, {});
  for (int i = 1; i <= model.barCount; ++i) {
    WriteFormattedRecord(unit, kBarRowFormat,
                         {model.barLabel(i), model.barNodes(i, 1), model.barNodes(i, 2)});
  }
  WriteFreeFormRecord(unit, {});

  // The support table shows internal node indices, not labels.
  WriteFreeFormRecord(unit, {" NO VINCULADO  DIRECAO X  DIRECAO Y"});
  for (int i = 1; i <= model.supportCount; ++i) {
    WriteFormattedRecord(
        unit, kSupportRowFormat,
        {model.supportTable(i, 1), model.supportTable(i, 2), model.supportTable(i, 3)});
  }
  WriteFreeFormRecord(unit, {});

  // The coefficients as SizeMembers left them: raised to 1.0 when below it.
  // "ç" "à" "ã" are the Windows-1252 bytes E7, E0, E3.
  WriteFreeFormRecord(unit, {" Coeficiente de seguran\xE7"
                             "a \xE0 tra\xE7\xE3o: ",
                             model.tensionSafetyFactor});
  WriteFreeFormRecord(unit, {" Coeficiente de seguran\xE7"
                             "a \xE0 compress\xE3o: ",
                             model.compressionSafetyFactor});
  WriteFreeFormRecord(unit, {});
}

void WriteLoadCase(TextOutputUnit& unit, const Model& model, const Results& results, int k) {
  WriteFreeFormRecord(unit, {" Carregamento", static_cast<std::int16_t>(k)});
  WriteFreeFormRecord(unit, {});
  WriteFreeFormRecord(
      unit, {"  ELEMENTO  COMPRIMENTO(cm)  ESFORCO NORMAL(kgf)  No FIOS  PESO ELEMENTO(g)"});
  WriteFreeFormRecord(unit, {});
  for (int i = 1; i <= model.barCount; ++i) {
    WriteFormattedRecord(unit, kBarResultRowFormat,
                         {model.barLabel(i), results.barLength(i), results.barForce(i, k),
                          results.strandCount(i, k), results.barWeight(i, k)});
  }
  WriteFreeFormRecord(unit, {});
  WriteFreeFormRecord(unit, {"  (+)=>TRACAO"});
  WriteFreeFormRecord(unit, {"  (-)=>COMPRESSAO"});
  WriteFreeFormRecord(unit, {});
  WriteFormattedRecord(
      unit, kTotalWeightFormat,
      {" PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g): ", results.totalWeight(k)});
  WriteFreeFormRecord(unit, {});
  // "õ" is the Windows-1252 byte F5.
  WriteFreeFormRecord(unit, {" Rea\xE7\xF5"
                             "es nodais"});
  WriteFreeFormRecord(unit, {});
  WriteFreeFormRecord(unit, {" NO     X          Y"});
  WriteFreeFormRecord(unit, {});
  // Both directions of every supported node, whatever its restraint codes;
  // the row shows the node's label.
  for (int i = 1; i <= model.supportCount; ++i) {
    const int node = model.supportTable(i, 1);
    WriteFormattedRecord(
        unit, kReactionRowFormat,
        {model.nodeLabel(node), results.reaction(2 * node - 1, k), results.reaction(2 * node, k)});
  }
  WriteFreeFormRecord(unit, {});
}

}  // namespace

void WriteResultsReport(TextOutputUnit& unit, std::string_view displayedName, const Model& model,
                        const Results& results) {
  WriteModelEcho(unit, displayedName, model);
  // The counters are int, not 16-bit: a count of 32767 would make a 16-bit
  // counter wrap instead of ending the loop.
  for (int k = 1; k <= model.loadCaseCount; ++k) WriteLoadCase(unit, model, results, k);
}

}  // namespace quivor
