// Fuzz target: the whole run in memory on an arbitrary model text.
//
// The input is the model file. It is read (ReadModelFile), analysed and sized
// (AnalyseModel), and the report is written into memory
// (WriteResultsReport), the sequence of the main program without the console
// and the files. Every failure comes back here as a status, as it does to the
// main program, which only then ends the process.
//
// A model whose analysis would be too slow for fuzzing (analysis_limits.hpp)
// is read and checked but not analysed.
//
// Oracle: a failure is one that text in memory can give; a rejection is one
// plain ASCII line; an accepted model keeps the promises the analysis relies
// on; the results keep theirs (at least three strands, no negative weight, no
// coefficient left below 1); the report is whole records of at most 80
// characters, each ending in CR LF.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/analysis_limits.hpp"
#include "fuzz/fuzz_check.hpp"
#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor {
namespace {

void CheckRejection(const std::string& rejection) {
  FUZZ_CHECK(rejection.starts_with("Erro no modelo, linha "));
  for (char c : rejection) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_CHECK(byte >= 0x20 && byte < 0x7F);
  }
}

// What the analysis takes for granted of a model that was read.
void CheckAcceptedModel(const Model& model) {
  FUZZ_CHECK(model.nodeCount >= 1 && model.nodeCount <= kMaxNodeLabel);
  for (int i = 1; i <= model.nodeCount; ++i) {
    const int label = model.nodeLabel(i);
    FUZZ_CHECK(label >= 1 && label <= kMaxNodeLabel);
    FUZZ_CHECK(model.nodeIndexOfLabel(label) == i);
  }
  for (int j = 1; j <= model.barCount; ++j) {
    for (int end = 1; end <= 2; ++end) {
      const int label = model.barNodes(j, end);
      FUZZ_CHECK(label >= 1 && label <= kMaxNodeLabel && model.nodeIndexOfLabel(label) != 0);
    }
    FUZZ_CHECK(model.barNodes(j, 1) != model.barNodes(j, 2));
  }
  for (int k = 1; k <= model.supportCount; ++k) {
    FUZZ_CHECK(model.supportTable(k, 1) >= 1 && model.supportTable(k, 1) <= model.nodeCount);
  }
}

void CheckResults(const Model& model, const Results& results) {
  FUZZ_CHECK(!(model.tensionSafetyFactor < 1.0f));
  FUZZ_CHECK(!(model.compressionSafetyFactor < 1.0f));
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    for (int j = 1; j <= model.barCount; ++j) {
      FUZZ_CHECK(results.strandCount(j, k) >= 3);
      FUZZ_CHECK(!(results.barWeight(j, k) < 0.0));
    }
    FUZZ_CHECK(!(results.totalWeight(k) < 0.0));
  }
}

void CheckReport(const Model& model, std::string_view report) {
  FUZZ_CHECK(report.starts_with("   =>OS RESULTADOS ESTAO APRESENTADOS NA TABELA ABAIXO<=\r\n"));
  double records = 0;
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t lineFeed = report.find('\n', start);
    FUZZ_CHECK(lineFeed != std::string_view::npos);
    FUZZ_CHECK(lineFeed > start && report[lineFeed - 1] == '\r');
    const std::string_view record = report.substr(start, lineFeed - 1 - start);
    FUZZ_CHECK(record.size() <= 80);
    FUZZ_CHECK(record.find('\r') == std::string_view::npos);
    ++records;
    start = lineFeed + 1;
  }
  // One row per node, bar and support, and per load case one per bar and
  // one per support, besides the headings.
  const double bars = std::max(0, static_cast<int>(model.barCount));
  const double supports = std::max(0, static_cast<int>(model.supportCount));
  const double cases = std::max(0, static_cast<int>(model.loadCaseCount));
  FUZZ_CHECK(records >= model.nodeCount + bars + supports + cases * (bars + supports));
}

}  // namespace
}  // namespace quivor

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quivor;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  Model model;
  ModelStatus read;
  {
    InputUnit modelUnit(kModelUnit, text);
    read = ReadModelFile(modelUnit, model);
  }
  if (read.failure.failed()) {
    FUZZ_CHECK(read.failure.unit == kModelUnit || read.failure.number == ErrorNumber::kNoMemory);
    FUZZ_CHECK(read.failure.number == ErrorNumber::kEndOfFile ||
               read.failure.number == ErrorNumber::kSyntaxError ||
               read.failure.number == ErrorNumber::kConversionError ||
               read.failure.number == ErrorNumber::kNoMemory);
    return 0;
  }
  if (read.rejection) {
    CheckRejection(RejectionText(*read.rejection));
    return 0;
  }
  CheckAcceptedModel(model);
  if (!SmallEnough(model)) return 0;

  Results results;
  const AnalysisStatus analysed = AnalyseModel(model, results);
  if (analysed.failure.failed()) {
    FUZZ_CHECK(analysed.failure.number == ErrorNumber::kNoMemory);
    return 0;
  }
  if (analysed.singular) return 0;
  CheckResults(model, results);

  std::string report;
  {
    TextOutputUnit reportUnit(report);
    const std::string displayedName = "ponte" + std::string(45, ' ');
    WriteResultsReport(reportUnit, displayedName, model, results);
    FUZZ_CHECK(!reportUnit.Flush().failed());
  }
  CheckReport(model, report);
  return 0;
}
