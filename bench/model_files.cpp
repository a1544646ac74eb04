#include "model_files.hpp"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace quivor::bench {
namespace {

void AppendReal(std::string& out, double value) {
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
  out.append(text, end);
}

}  // namespace

std::string TrussModel(const TrussShape& shape, int* barCount) {
  const int panels = shape.nodeCount / 2 - 1;
  // Node 2p+1 is bottom node p, node 2p+2 top node p (p = 0..panels); panels
  // 10 cm wide, 12 cm high.
  auto bottom = [](int p) { return 2 * p + 1; };
  auto top = [](int p) { return 2 * p + 2; };
  std::string bars;
  int bar = 0;
  auto addBar = [&](int from, int to) {
    ++bar;
    bars += std::to_string(bar) + ' ' + std::to_string(from) + ' ' + std::to_string(to) + '\n';
  };
  for (int p = 0; p < panels; ++p) {
    addBar(bottom(p), bottom(p + 1));
    addBar(top(p), top(p + 1));
    addBar(bottom(p), top(p));
    addBar(p < panels / 2 ? top(p) : bottom(p), p < panels / 2 ? bottom(p + 1) : top(p + 1));
  }
  addBar(bottom(panels), top(panels));
  for (int p = 0; p < panels && bar < 4 * panels + 1 + shape.extraBars; ++p) {
    addBar(p < panels / 2 ? bottom(p) : top(p), p < panels / 2 ? top(p + 1) : bottom(p + 1));
  }
  if (shape.widestBand) addBar(1, shape.nodeCount);

  std::string text = std::to_string(shape.nodeCount) + '\n' + std::to_string(bar) + '\n';
  for (int p = 0; p <= panels; ++p) {
    text += std::to_string(bottom(p)) + ' ';
    AppendReal(text, 10.0 * p);
    text += " 0.0\n" + std::to_string(top(p)) + ' ';
    AppendReal(text, 10.0 * p);
    text += " 12.0\n";
  }
  text += bars;
  // Pinned at the first bottom node, on rollers at the last.
  text +=
      "2\n" + std::to_string(bottom(0)) + "\n0 0\n" + std::to_string(bottom(panels)) + "\n1 0\n";
  text += std::to_string(shape.loadCaseCount) + '\n';
  std::mt19937_64 random(static_cast<std::uint64_t>(shape.nodeCount));
  std::uniform_real_distribution<double> force(-5.0, 0.0);
  for (int q = 1; q <= shape.loadCaseCount; ++q) {
    text += std::to_string(panels + 1) + '\n';
    for (int p = 0; p <= panels; ++p) {
      text += std::to_string(bottom(p)) + '\n';
      AppendReal(text, 0.1 * force(random));
      text += '\n';
      AppendReal(text, force(random));
      text += '\n';
    }
  }
  text += "2.0\n3.0\n";
  if (barCount != nullptr) *barCount = bar;
  return text;
}

TemporaryFolder::TemporaryFolder() {
  std::random_device seed;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("quivor-bench-" + std::to_string(seed()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TemporaryFolder::Write(const std::string& name, const std::string& text) const {
  const std::string file = path_ + "/" + name;
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() ||
      std::fclose(out) != 0) {
    throw std::runtime_error("cannot write " + file);
  }
  return file;
}

}  // namespace quivor::bench
