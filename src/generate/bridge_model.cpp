// The bridge forms as nodes in columns (one column per panel point, left to
// right) and bars between nodes of the same or of neighbouring columns; the
// order within each column is chosen for the narrowest band, then the model
// file is written and read back.
#include "generate/bridge_model.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "platform/failure.hpp"

namespace quivor::generate {
namespace {

std::size_t Index(int i) { return static_cast<std::size_t>(i); }

constexpr double kMaxLength = 100000.0;  // cm: span and height
constexpr double kMaxLoad = 1.0e6;       // kgf
constexpr double kMaxSafetyFactor = 1000.0;
// Nodes and bars alike, so that every label is one the model admits.
constexpr int kMaxCount = kMaxNodeLabel;

struct NamedType {
  std::string_view name;
  BridgeType type;
};
constexpr std::array<NamedType, 6> kTypeNames{{{"pratt", BridgeType::kPratt},
                                               {"howe", BridgeType::kHowe},
                                               {"warren", BridgeType::kWarren},
                                               {"warren-montantes", BridgeType::kWarrenVerticals},
                                               {"k", BridgeType::kK},
                                               {"arco", BridgeType::kArch}}};

bool NeedsEvenPanels(BridgeType type) {
  return type == BridgeType::kWarrenVerticals || type == BridgeType::kK;
}

struct Counts {
  int nodes;
  int bars;
};

// What the builders below make of n panels.
Counts CountsOf(BridgeType type, int n) {
  switch (type) {
    case BridgeType::kPratt:
    case BridgeType::kWarrenVerticals:
    case BridgeType::kArch:
      return {2 * n, 4 * n - 3};
    case BridgeType::kHowe:
      return {2 * n + 2, 4 * n + 1};
    case BridgeType::kWarren:
      return {2 * n + 1, 4 * n - 1};
    case BridgeType::kK:
      return {3 * n + 1, 6 * n};  // one bar more than a determinate truss
  }
  return {kMaxCount + 1, kMaxCount + 1};  // not a type: no panel count fits
}

// A coordinate as the file carries it: two decimals.
void AppendFixed2(std::string& text, double value) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::fixed, 2);
  assert(error == std::errc());
  text.append(buffer.data(), end);
}

// The shortest text that reads back as `value`.
std::string Shortest(double value) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  assert(error == std::errc());
  return std::string(buffer.data(), end);
}

// A force or a coefficient: the shortest text, with a decimal point as in
// the examples.
void AppendReal(std::string& text, double value) {
  const std::string digits = Shortest(value);
  text += digits;
  if (digits.find_first_of(".e") == std::string::npos) text += ".0";
}

// A coordinate as the reader will hold it: rounded to the two decimals
// written.
double Rounded(double value) {
  std::string text;
  AppendFixed2(text, value);
  double rounded = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), rounded);
  return rounded;
}

struct Node {
  double exactX;  // cm, before rounding: equal in a vertical bar's two ends
  double x;       // cm, rounded as written
  double y;
  bool aboveDeck;
};

// Who is at each column of one chord; -1 where the chord has no node.
class Chord {
 public:
  explicit Chord(int columns) : node_(Index(columns), -1) {}
  int& operator[](int column) { return node_[Index(column)]; }
  int operator[](int column) const { return node_[Index(column)]; }

 private:
  std::vector<int> node_;
};

struct Truss {
  explicit Truss(int panels) : columns(Index(panels + 1)), deck(panels + 1) {}

  std::vector<Node> nodes;
  std::vector<int> columnOf;
  std::vector<std::vector<int>> columns;  // bottom to top
  std::vector<std::array<int, 2>> bars;   // left end first; a vertical's bottom first
  Chord deck;

  int Add(int column, double x, double y) {
    const int id = static_cast<int>(nodes.size());
    nodes.push_back({x, Rounded(x), Rounded(y), y > 0.0});
    columnOf.push_back(column);
    columns[Index(column)].push_back(id);
    return id;
  }
  void Bar(int a, int b) { bars.push_back({a, b}); }
};

// Whether panel i, between columns i and i+1, lies wholly in the left half.
bool LeftHalf(int panel, int n) { return 2 * (panel + 1) <= n; }

// Panel i's diagonal: falling runs from the top at column i down to the deck
// at i+1, rising from the deck at i up to the top at i+1.
void Diagonal(Truss& t, const Chord& top, int i, bool falling) {
  if (falling) {
    t.Bar(top[i], t.deck[i + 1]);
  } else {
    t.Bar(t.deck[i], top[i + 1]);
  }
}

// Pratt, Warren with verticals and the arch: a top chord over the interior
// columns, inclined end posts from the supports, a vertical at every interior
// column and one diagonal in every panel between two verticals.
template <class TopHeight, class Falling>
void BuildWithEndPosts(Truss& t, int n, const TopHeight& topHeight, const Falling& falling,
                       const std::vector<double>& x) {
  Chord top(n + 1);
  for (int i = 1; i < n; ++i) top[i] = t.Add(i, x[Index(i)], topHeight(i));
  t.Bar(t.deck[0], top[1]);
  for (int i = 1; i + 1 < n; ++i) t.Bar(top[i], top[i + 1]);
  t.Bar(top[n - 1], t.deck[n]);
  for (int i = 1; i < n; ++i) t.Bar(t.deck[i], top[i]);
  for (int i = 1; i + 1 < n; ++i) Diagonal(t, top, i, falling(i));
}

Truss BuildTruss(const BridgeRequest& bridge) {
  const int n = bridge.panels;
  const double h = bridge.height;
  Truss t(n);
  std::vector<double> x;  // cm, each panel point's; the last one the span itself
  for (int i = 0; i < n; ++i) x.push_back(bridge.span * i / n);
  x.push_back(bridge.span);
  for (int i = 0; i <= n; ++i) t.deck[i] = t.Add(i, x[Index(i)], 0.0);
  for (int i = 0; i < n; ++i) t.Bar(t.deck[i], t.deck[i + 1]);

  const auto flat = [h](int) { return h; };
  const auto towardsMidSpan = [n](int i) { return LeftHalf(i, n); };
  switch (bridge.type) {
    case BridgeType::kPratt:
      // Diagonals in tension under a load at mid-span.
      BuildWithEndPosts(t, n, flat, towardsMidSpan, x);
      break;
    case BridgeType::kWarrenVerticals:
      // Diagonals alternate, meeting at the deck at even columns.
      BuildWithEndPosts(
          t, n, flat, [](int i) { return i % 2 == 1; }, x);
      break;
    case BridgeType::kArch: {
      // The arch is the parabola through the supports with its rise h at
      // mid-span: y = 4 h x (span - x) / span^2, here in whole panels so that
      // both halves get the same heights.
      const auto parabola = [h, n](int i) {
        return 4.0 * h * (static_cast<double>(i) * (n - i)) / (n * n);
      };
      BuildWithEndPosts(t, n, parabola, towardsMidSpan, x);
      break;
    }
    case BridgeType::kHowe: {
      // Square ends: a top chord over every column; diagonals in compression
      // under a load at mid-span.
      Chord top(n + 1);
      for (int i = 0; i <= n; ++i) top[i] = t.Add(i, x[Index(i)], h);
      for (int i = 0; i < n; ++i) t.Bar(top[i], top[i + 1]);
      for (int i = 0; i <= n; ++i) t.Bar(t.deck[i], top[i]);
      for (int i = 0; i < n; ++i) Diagonal(t, top, i, !LeftHalf(i, n));
      break;
    }
    case BridgeType::kWarren: {
      // The top nodes stand over mid-panel; the top node of panel i is in
      // column i.
      Chord top(n);
      for (int i = 0; i < n; ++i) top[i] = t.Add(i, bridge.span * (2 * i + 1) / (2 * n), h);
      for (int i = 0; i + 1 < n; ++i) t.Bar(top[i], top[i + 1]);
      for (int i = 0; i < n; ++i) {
        t.Bar(t.deck[i], top[i]);
        t.Bar(top[i], t.deck[i + 1]);
      }
      break;
    }
    case BridgeType::kK: {
      // Square ends; every interior vertical is halved by a node at
      // mid-height, from which two diagonals reach the top and the deck of
      // the column nearer the support. The middle column takes both pairs.
      Chord top(n + 1);
      Chord middle(n + 1);
      for (int i = 0; i <= n; ++i) {
        if (i > 0 && i < n) middle[i] = t.Add(i, x[Index(i)], h / 2.0);
        top[i] = t.Add(i, x[Index(i)], h);
      }
      for (int i = 0; i < n; ++i) t.Bar(top[i], top[i + 1]);
      t.Bar(t.deck[0], top[0]);
      for (int i = 1; i < n; ++i) {
        t.Bar(t.deck[i], middle[i]);
        t.Bar(middle[i], top[i]);
      }
      t.Bar(t.deck[n], top[n]);
      for (int i = 0; i < n; ++i) {
        if (LeftHalf(i, n)) {
          t.Bar(t.deck[i], middle[i + 1]);
          t.Bar(top[i], middle[i + 1]);
        } else {
          t.Bar(middle[i], t.deck[i + 1]);
          t.Bar(middle[i], top[i + 1]);
        }
      }
      break;
    }
  }
  assert(static_cast<int>(t.nodes.size()) == CountsOf(bridge.type, n).nodes);
  assert(static_cast<int>(t.bars.size()) == CountsOf(bridge.type, n).bars);
  return t;
}

// The reason the rounded coordinates cannot carry the truss, or empty: every
// bar must keep its direction (left to right, or a vertical upwards) and every
// node above the deck must stay above it.
std::string GeometryError(const Truss& t) {
  const char* const tooLow =
      "altura baixa demais: com coordenadas de duas casas decimais, um nó do banzo superior "
      "ficaria na altura do tabuleiro ou do nó abaixo dele";
  for (const Node& node : t.nodes) {
    if (node.aboveDeck && !(node.y > 0.0)) return tooLow;
  }
  for (const auto& [a, b] : t.bars) {
    const Node& left = t.nodes[Index(a)];
    const Node& right = t.nodes[Index(b)];
    if (left.exactX != right.exactX && !(left.x < right.x)) {
      return "painéis estreitos demais: com coordenadas de duas casas decimais, nós vizinhos "
             "ficariam na mesma abscissa";
    }
    if (left.exactX == right.exactX && !(left.y < right.y)) return tooLow;
  }
  return {};
}

// The file order of the nodes: column by column, and within each column the
// order that makes the largest distance between a bar's two ends the least,
// then, among those, the sum of these distances. Every bar joins nodes of the
// same or of neighbouring columns, so each column's choice meets only its
// neighbours' and a pass over the columns finds the best (columns hold at
// most 3 nodes: 6 orders each).
std::vector<int> FileOrder(const Truss& t) {
  const std::size_t columnCount = t.columns.size();
  std::vector<int> offset(columnCount + 1, 0);
  for (std::size_t c = 0; c < columnCount; ++c) {
    offset[c + 1] = offset[c] + static_cast<int>(t.columns[c].size());
  }
  // The orders of each column, the column's own (bottom to top) first.
  std::vector<std::vector<std::vector<int>>> orders(columnCount);
  for (std::size_t c = 0; c < columnCount; ++c) {
    std::vector<int> order = t.columns[c];
    std::sort(order.begin(), order.end());
    do orders[c].push_back(order);
    while (std::next_permutation(order.begin(), order.end()));
  }
  // Bars by their right column: those within it, and those from the column
  // before.
  std::vector<std::vector<std::array<int, 2>>> barsInto(columnCount);
  for (const auto& bar : t.bars) {
    const int right = std::max(t.columnOf[Index(bar[0])], t.columnOf[Index(bar[1])]);
    assert(std::abs(t.columnOf[Index(bar[0])] - t.columnOf[Index(bar[1])]) <= 1);
    barsInto[Index(right)].push_back(bar);
  }
  auto position = [&](int node, std::size_t c, const std::vector<int>& order) {
    const auto rank = std::find(order.begin(), order.end(), node) - order.begin();
    return offset[c] + static_cast<int>(rank);
  };
  // The largest and the summed distance of the bars into column c, with the
  // orders p of column c and q of column c-1.
  auto cost = [&](std::size_t c, std::size_t p, std::size_t q) {
    std::pair<int, int> worstAndSum{0, 0};
    for (const auto& [a, b] : barsInto[c]) {
      auto at = [&](int node) {
        const std::size_t col = Index(t.columnOf[Index(node)]);
        return col == c ? position(node, c, orders[c][p]) : position(node, col, orders[col][q]);
      };
      const int distance = std::abs(at(a) - at(b));
      worstAndSum.first = std::max(worstAndSum.first, distance);
      worstAndSum.second += distance;
    }
    return worstAndSum;
  };

  // Two passes of the same recurrence: the least largest distance, then the
  // least sum with no distance above it.
  constexpr int kNone = std::numeric_limits<int>::max();
  std::vector<std::vector<int>> best(columnCount);
  std::vector<std::vector<std::size_t>> from(columnCount);
  auto pass = [&](int limit) {
    for (std::size_t c = 0; c < columnCount; ++c) {
      best[c].assign(orders[c].size(), kNone);
      from[c].assign(orders[c].size(), 0);
      for (std::size_t p = 0; p < orders[c].size(); ++p) {
        const std::size_t choices = c == 0 ? 1 : orders[c - 1].size();
        for (std::size_t q = 0; q < choices; ++q) {
          const int before = c == 0 ? 0 : best[c - 1][q];
          if (before == kNone) continue;
          const auto [worst, sum] = cost(c, p, q);
          const int value = limit == kNone  ? std::max(before, worst)
                            : worst > limit ? kNone
                                            : before + sum;
          if (value < best[c][p]) {
            best[c][p] = value;
            from[c][p] = q;
          }
        }
      }
    }
    const auto& last = best[columnCount - 1];
    return static_cast<std::size_t>(std::min_element(last.begin(), last.end()) - last.begin());
  };
  const int leastWorst = best[columnCount - 1][pass(kNone)];
  std::size_t p = pass(leastWorst);

  std::vector<int> fileOrder(t.nodes.size());
  for (std::size_t c = columnCount; c-- > 0;) {
    const auto& order = orders[c][p];
    std::copy(order.begin(), order.end(), fileOrder.begin() + offset[c]);
    p = from[c][p];
  }
  return fileOrder;
}

std::string ModelText(const BridgeRequest& bridge, const Truss& t) {
  const std::vector<int> fileOrder = FileOrder(t);
  std::vector<int> label(t.nodes.size());
  for (std::size_t k = 0; k < fileOrder.size(); ++k) {
    label[Index(fileOrder[k])] = static_cast<int>(k) + 1;
  }
  auto labelOf = [&](int node) { return std::to_string(label[Index(node)]); };

  std::string text = std::to_string(t.nodes.size()) + "\n" + std::to_string(t.bars.size()) + "\n";
  for (std::size_t k = 0; k < fileOrder.size(); ++k) {
    const Node& node = t.nodes[Index(fileOrder[k])];
    text += std::to_string(k + 1) + " ";
    AppendFixed2(text, node.x);
    text += " ";
    AppendFixed2(text, node.y);
    text += "\n";
  }
  for (std::size_t j = 0; j < t.bars.size(); ++j) {
    text +=
        std::to_string(j + 1) + " " + labelOf(t.bars[j][0]) + " " + labelOf(t.bars[j][1]) + "\n";
  }
  const int n = bridge.panels;
  text += "2\n" + labelOf(t.deck[0]) + "\n0 0\n" + labelOf(t.deck[n]) + "\n1 0\n";

  text += bridge.spreadLoadCase ? "2\n" : "1\n";
  auto loadedNode = [&](int column, double downward) {
    text += labelOf(t.deck[column]) + "\n0.0\n";
    AppendReal(text, downward == 0.0 ? 0.0 : -downward);
    text += "\n";
  };
  if (n % 2 == 0) {
    text += "1\n";
    loadedNode(n / 2, bridge.load);
  } else {
    text += "2\n";
    loadedNode(n / 2, bridge.load / 2.0);
    loadedNode(n / 2 + 1, bridge.load / 2.0);
  }
  if (bridge.spreadLoadCase) {
    text += std::to_string(n - 1) + "\n";
    for (int i = 1; i < n; ++i) loadedNode(i, bridge.load / (n - 1));
  }
  AppendReal(text, bridge.tensionSafetyFactor);
  text += "\n";
  AppendReal(text, bridge.compressionSafetyFactor);
  text += "\n";
  return text;
}

// The first thing wrong with the bridge, or empty.
std::string RequestError(const BridgeRequest& bridge) {
  auto inRange = [](double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
  };
  const std::string maxLength = Shortest(kMaxLength);
  if (!inRange(bridge.span, 0.0, kMaxLength) || bridge.span == 0.0) {
    return "vão inválido (" + Shortest(bridge.span) + "): deve ser positivo, até " + maxLength +
           " cm";
  }
  if (!inRange(bridge.height, 0.0, kMaxLength) || bridge.height == 0.0) {
    return "altura inválida (" + Shortest(bridge.height) + "): deve ser positiva, até " +
           maxLength + " cm";
  }
  const std::string name(NameOf(bridge.type));
  if (name.empty()) return "tipo de ponte desconhecido";
  const int maxPanels = MaxPanels(bridge.type);
  if (bridge.panels < 2 || bridge.panels > maxPanels) {
    return "número de painéis inválido (" + std::to_string(bridge.panels) + "): a ponte " + name +
           " admite de 2 a " + std::to_string(maxPanels) + " painéis";
  }
  if (NeedsEvenPanels(bridge.type) && bridge.panels % 2 != 0) {
    return "a ponte " + name +
           " precisa de um número par de painéis (pedidos: " + std::to_string(bridge.panels) + ")";
  }
  if (!inRange(bridge.load, 0.0, kMaxLoad)) {
    return "carga inválida (" + Shortest(bridge.load) + "): deve ficar entre 0 e " +
           Shortest(kMaxLoad) + " kgf";
  }
  const std::pair<double, const char*> factors[] = {
      {bridge.tensionSafetyFactor, "à tração"}, {bridge.compressionSafetyFactor, "à compressão"}};
  for (const auto& [factor, what] : factors) {
    if (!inRange(factor, 1.0, kMaxSafetyFactor)) {
      return std::string("coeficiente de segurança ") + what + " inválido (" + Shortest(factor) +
             "): deve ficar entre 1 e " + Shortest(kMaxSafetyFactor);
    }
  }
  return {};
}

// Reads and analyses the text as quivor would: the reason it fails, or empty.
std::string ReadBackError(const std::string& text) {
  InputUnit unit(kModelUnit, text);
  Model model;
  const ModelStatus read = ReadModelFile(unit, model);
  if (read.rejection) return "modelo gerado recusado: " + RejectionText(*read.rejection);
  if (read.failure.failed()) {
    return "modelo gerado ilegível (erro " + std::to_string(static_cast<int>(read.failure.number)) +
           ")";
  }
  Results results;
  const AnalysisStatus analysed = AnalyseModel(model, results);
  if (analysed.failure.failed()) return "memória insuficiente para analisar o modelo gerado";
  if (analysed.singular) {
    return "proporções extremas demais: a análise acha singular a matriz de rigidez do "
           "modelo gerado; mude o vão, a altura ou o número de painéis";
  }
  return {};
}

}  // namespace

std::optional<BridgeType> BridgeTypeNamed(std::string_view name) {
  for (const NamedType& entry : kTypeNames) {
    if (entry.name == name) return entry.type;
  }
  return std::nullopt;
}

std::string_view NameOf(BridgeType type) {
  for (const NamedType& entry : kTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return {};
}

int MaxPanels(BridgeType type) {
  int most = 0;
  for (int n = 2; n <= kMaxCount; ++n) {
    const Counts counts = CountsOf(type, n);
    if (counts.nodes > kMaxCount || counts.bars > kMaxCount) break;
    if (!NeedsEvenPanels(type) || n % 2 == 0) most = n;
  }
  return most;
}

GeneratedModel GenerateBridge(const BridgeRequest& bridge) {
  if (std::string error = RequestError(bridge); !error.empty()) return {{}, std::move(error)};
  const Truss truss = BuildTruss(bridge);
  if (std::string error = GeometryError(truss); !error.empty()) return {{}, std::move(error)};
  std::string text = ModelText(bridge, truss);
  if (std::string error = ReadBackError(text); !error.empty()) return {{}, std::move(error)};
  return {std::move(text), {}};
}

}  // namespace quivor::generate
