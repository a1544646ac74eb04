// FindMechanisms on the largest models the reader admits: 1000 nodes with a
// bar from the first node to the last, which makes the half-bandwidth as
// wide as the matrix (2000) while the profile stays a few entries a row.
// Free of its supports (3 rigid motions), free with 50 loose nodes (over a
// hundred mechanisms, each a solve with the whole factor), and on its
// supports (no mechanism: the factorization alone). The target is well
// under a second each.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/read_model_file.hpp"
#include "model_files.hpp"
#include "study/mechanisms.hpp"

namespace quivor::bench {
namespace {

enum class Variant { kFree, kFreeWithLooseNodes, kSupported };

// Every 20th node from the 10th loses its bars; the first and the last,
// which the band-widening bar joins, keep theirs.
bool Loose(int label) { return label % 20 == 10; }

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return lines;
}

// TrussModel's text (one value group a line: counts, nodes, bars, then the
// five lines of its two supports) with the supports taken out, and for
// kFreeWithLooseNodes the bars of the loose nodes as well.
std::string Edited(const std::string& text, Variant variant) {
  const std::vector<std::string> lines = Lines(text);
  const std::size_t nodes = std::stoul(lines[0]);
  const std::size_t bars = std::stoul(lines[1]);
  std::string kept;
  int barCount = 0;
  for (std::size_t b = 0; b < bars; ++b) {
    int label = 0, start = 0, end = 0;
    if (std::sscanf(lines[2 + nodes + b].c_str(), "%d %d %d", &label, &start, &end) != 3) {
      throw std::runtime_error("unexpected bar line");
    }
    if (variant == Variant::kFreeWithLooseNodes && (Loose(start) || Loose(end))) continue;
    kept +=
        std::to_string(++barCount) + ' ' + std::to_string(start) + ' ' + std::to_string(end) + '\n';
  }
  std::string out = lines[0] + '\n' + std::to_string(barCount) + '\n';
  for (std::size_t n = 0; n < nodes; ++n) out += lines[2 + n] + '\n';
  out += kept + "0\n";
  for (std::size_t l = 2 + nodes + bars + 5; l < lines.size(); ++l) out += lines[l] + '\n';
  return out;
}

const Model& LargestModel(Variant variant) {
  static Model models[3];
  static bool read[3] = {};
  const auto index = static_cast<std::size_t>(variant);
  if (!read[index]) {
    std::string text = TrussModel({1000, 1, true});
    if (variant != Variant::kSupported) text = Edited(text, variant);
    InputUnit unit(kModelUnit, text);
    if (!ReadModelFile(unit, models[index]).ok()) throw std::runtime_error("model not read");
    read[index] = true;
  }
  return models[index];
}

void FindMechanismsOn(benchmark::State& state, Variant variant) {
  const Model& model = LargestModel(variant);
  std::size_t found = 0;
  for (auto _ : state) {
    study::MechanismSearch search = study::FindMechanisms(model);
    found = search.mechanisms.size();
    benchmark::DoNotOptimize(search);
  }
  state.counters["mechanisms"] = static_cast<double>(found);
}

BENCHMARK_CAPTURE(FindMechanismsOn, free, Variant::kFree)
    ->Name("Mechanisms/WidestBand1000Free")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindMechanismsOn, loose, Variant::kFreeWithLooseNodes)
    ->Name("Mechanisms/WidestBand1000FreeLooseNodes")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindMechanismsOn, supported, Variant::kSupported)
    ->Name("Mechanisms/WidestBand1000Supported")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quivor::bench
