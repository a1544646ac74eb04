// Reading a 50 MB model file against a bare std::from_chars loop over the
// same numbers, and writing the report of 1000 nodes, 5000 bars and 100 load
// cases against a bare std::to_chars loop over the same numbers.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "model_files.hpp"
#include "platform/platform.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor::bench {
namespace {

constexpr std::size_t kModelBytes = 50'000'000;

// The 50 MB model: a bridge of 1000 nodes and as many load cases as fill
// the file, every bottom node loaded in each.
struct BigModel {
  TemporaryFolder folder;
  std::string text;
  std::string file;

  BigModel() {
    const std::size_t oneCase =
        TrussModel({1000, 2, false}).size() - TrussModel({1000, 1, false}).size();
    const int cases = static_cast<int>(kModelBytes / oneCase);
    text = TrussModel({1000, cases, false});
    file = folder.Write("big.txt", text);
  }
};

const BigModel& Big() {
  static const BigModel big;
  return big;
}

void ReadModel(benchmark::State& state) {
  const BigModel& big = Big();
  for (auto _ : state) {
    platform::OpenResult opened = platform::OpenForReading(big.file, kModelUnit);
    Model model;
    ModelStatus status;
    {
      InputUnit unit(kModelUnit, opened.file);
      status = ReadModelFile(unit, model);
    }
    platform::CloseFile(opened.file);
    if (opened.failure.failed() || status.failure.failed() || status.rejection) {
      state.SkipWithError("the model did not read");
    }
    benchmark::DoNotOptimize(model.loadMatrix.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(big.text.size()));
}

// Each value of `text` cut at the blanks and line ends and converted by
// from_chars, as a 16-bit integer or, when it has a point, as a double.
void ConvertAll(std::string_view text) {
  const char* p = text.data();
  const char* end = p + text.size();
  double sum = 0.0;
  std::int64_t count = 0;
  while (p < end) {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == ',')) ++p;
    const char* start = p;
    bool real = false;
    while (p < end && *p != ' ' && *p != '\n' && *p != '\r' && *p != ',') {
      real = real || *p == '.';
      ++p;
    }
    if (start == p) break;
    if (real) {
      double x = 0.0;
      std::from_chars(start, p, x);
      sum += x;
    } else {
      std::int16_t i = 0;
      std::from_chars(start, p, i);
      count += i;
    }
  }
  benchmark::DoNotOptimize(sum);
  benchmark::DoNotOptimize(count);
}

// The same numbers from the same bytes, already in memory.
void BareFromChars(benchmark::State& state) {
  const std::string& text = Big().text;
  for (auto _ : state) ConvertAll(text);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// The same, with the file first read whole into memory.
void BareFromCharsWithRead(benchmark::State& state) {
  const BigModel& big = Big();
  std::string text(big.text.size(), '\0');
  for (auto _ : state) {
    std::FILE* in = std::fopen(big.file.c_str(), "rb");
    const std::size_t got = in != nullptr ? std::fread(text.data(), 1, text.size(), in) : 0;
    if (in != nullptr) std::fclose(in);
    if (got != text.size()) state.SkipWithError("the model did not read");
    ConvertAll(text);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// A model and results of the report's size with values in the ranges a
// report shows: labels, coordinates, forces, counts and weights that fit
// their fields.
struct ReportData {
  Model model;
  Results results;

  ReportData(int nodes, int bars, int cases) {
    std::mt19937_64 random(5000);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    model.nodeCount = static_cast<std::int16_t>(nodes);
    model.barCount = static_cast<std::int16_t>(bars);
    model.supportCount = 2;
    model.loadCaseCount = static_cast<std::int16_t>(cases);
    model.tensionSafetyFactor = 2.0f;
    model.compressionSafetyFactor = 3.0f;
    (void)Allocate(model.nodeLabel, nodes);
    (void)Allocate(model.nodeCoord, nodes, 2);
    (void)Allocate(model.barLabel, bars);
    (void)Allocate(model.barNodes, bars, 2);
    (void)Allocate(model.supportTable, 2, 3);
    for (int i = 1; i <= nodes; ++i) {
      model.nodeLabel(i) = static_cast<std::int16_t>(i);
      model.nodeCoord(i, 1) = 999.0 * unit(random);
      model.nodeCoord(i, 2) = 99.0 * unit(random);
    }
    for (int b = 1; b <= bars; ++b) {
      model.barLabel(b) = static_cast<std::int16_t>(b % 1000);
      model.barNodes(b, 1) = static_cast<std::int16_t>(1 + b % nodes);
      model.barNodes(b, 2) = static_cast<std::int16_t>(1 + (b * 7) % nodes);
    }
    model.supportTable(1, 1) = 1;
    model.supportTable(2, 1) = static_cast<std::int16_t>(nodes);
    model.supportTable(2, 2) = 1;
    (void)Allocate(results.barLength, bars);
    (void)Allocate(results.barForce, bars, cases);
    (void)Allocate(results.strandCount, bars, cases);
    (void)Allocate(results.barWeight, bars, cases);
    (void)Allocate(results.totalWeight, cases);
    (void)Allocate(results.reaction, 2 * nodes, cases);
    for (int b = 1; b <= bars; ++b) results.barLength(b) = 5.0 + 30.0 * unit(random);
    for (int k = 1; k <= cases; ++k) {
      for (int b = 1; b <= bars; ++b) {
        results.barForce(b, k) = 200.0 * unit(random) - 100.0;
        results.strandCount(b, k) = 3 + static_cast<std::int32_t>(50.0 * unit(random));
        results.barWeight(b, k) = 300.0 * unit(random);
      }
      results.totalWeight(k) = 9999.0 * unit(random);
      for (int i = 1; i <= 2 * nodes; ++i) results.reaction(i, k) = 200.0 * unit(random) - 100.0;
    }
  }
};

const ReportData& Report() {
  static const ReportData data(1000, 5000, 100);
  return data;
}

const std::string kDisplayedName = "ponte" + std::string(45, ' ');

void WriteReport(benchmark::State& state) {
  const ReportData& data = Report();
  TemporaryFolder folder;
  const std::string file = folder.path() + "/ponte.rtf";
  std::int64_t bytes = 0;
  for (auto _ : state) {
    platform::OpenResult created = platform::CreateForWriting(file, kResultsUnit);
    {
      TextOutputUnit unit(kResultsUnit, created.file);
      WriteResultsReport(unit, kDisplayedName, data.model, data.results);
      if (created.failure.failed() || unit.Flush().failed()) state.SkipWithError("write failed");
    }
    platform::CloseFile(created.file);
  }
  std::string memory;
  {
    TextOutputUnit unit(memory);
    WriteResultsReport(unit, kDisplayedName, data.model, data.results);
  }
  bytes = static_cast<std::int64_t>(memory.size());
  state.SetBytesProcessed(state.iterations() * bytes);
}

// The same numbers through to_chars into one buffer: integers plainly, reals
// with the decimals of their fields; no padding, no records, no file.
void BareToChars(benchmark::State& state) {
  const ReportData& data = Report();
  const Model& m = data.model;
  const Results& r = data.results;
  std::vector<char> buffer(64 * 1024 * 1024);
  for (auto _ : state) {
    char* p = buffer.data();
    char* const end = buffer.data() + buffer.size();
    auto integer = [&](std::int32_t value) { p = std::to_chars(p, end, value).ptr; };
    auto real = [&](double value, int decimals) {
      p = std::to_chars(p, end, value, std::chars_format::fixed, decimals).ptr;
    };
    for (int i = 1; i <= m.nodeCount; ++i) {
      integer(m.nodeLabel(i));
      real(m.nodeCoord(i, 1), 2);
      real(m.nodeCoord(i, 2), 2);
    }
    for (int b = 1; b <= m.barCount; ++b) {
      integer(m.barLabel(b));
      integer(m.barNodes(b, 1));
      integer(m.barNodes(b, 2));
    }
    for (int k = 1; k <= m.loadCaseCount; ++k) {
      for (int b = 1; b <= m.barCount; ++b) {
        integer(m.barLabel(b));
        real(r.barLength(b), 2);
        real(r.barForce(b, k), 2);
        integer(r.strandCount(b, k));
        real(r.barWeight(b, k), 2);
      }
      real(r.totalWeight(k), 2);
      for (int i = 1; i <= m.supportCount; ++i) {
        const int node = m.supportTable(i, 1);
        integer(m.nodeLabel(node));
        real(r.reaction(2 * node - 1, k), 2);
        real(r.reaction(2 * node, k), 2);
      }
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(ReadModel)->Name("Input/ReadModelFile_50MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BareFromChars)->Name("Input/BareFromChars_50MB")->Unit(benchmark::kMillisecond);
BENCHMARK(BareFromCharsWithRead)
    ->Name("Input/BareFromChars_50MB_read_first")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WriteReport)->Name("Output/WriteResultsReport")->Unit(benchmark::kMillisecond);
BENCHMARK(BareToChars)->Name("Output/BareToChars")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quivor::bench
