// Node renumbering: the model read with quivor's reader, the records of its
// nodes found again by repeating the reader's first reads, a reverse
// Cuthill-McKee order, and the records moved as blocks.
//
// Nodes are handled by their internal index less one (0-based file order).
#include "generate/renumber.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "analysis/half_bandwidth.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"

namespace quivor::generate {
namespace {

using Graph = std::vector<std::vector<int>>;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

// Reads the text as quivor does; empty, or why it could not. quivor-study
// renumerar reads the model first and names what its reader refuses, so one
// line does here.
std::string Read(std::string_view text, Model& model, int& halfBandwidth) {
  InputUnit unit(kModelUnit, text);
  if (!ReadModelFile(unit, model).ok()) return "o modelo não pôde ser lido";
  std::int16_t columns = 0;
  ComputeHalfBandwidth(model.barCount, columns, model.barNodes, model.nodeIndexOfLabel);
  halfBandwidth = columns;
  return {};
}

// Bars as neighbour lists, each sorted and without repeats.
Graph GraphOf(const Model& model) {
  Graph graph(At(model.nodeCount));
  for (int b = 1; b <= model.barCount; ++b) {
    const int start = model.nodeIndexOfLabel(model.barNodes(b, 1)) - 1;
    const int end = model.nodeIndexOfLabel(model.barNodes(b, 2)) - 1;
    graph[At(start)].push_back(end);
    graph[At(end)].push_back(start);
  }
  for (auto& neighbours : graph) {
    std::sort(neighbours.begin(), neighbours.end());
    neighbours.erase(std::unique(neighbours.begin(), neighbours.end()), neighbours.end());
  }
  return graph;
}

int Degree(const Graph& graph, int node) { return static_cast<int>(graph[At(node)].size()); }

// The nodes of the component of `root`, breadth first, and where its last
// level begins in that list. `seen` marks with the stamp of the search.
struct Levels {
  std::vector<int> nodes;
  std::size_t lastLevel = 0;
  int depth = 0;
};

Levels LevelsFrom(const Graph& graph, int root, std::vector<int>& seen, int stamp) {
  Levels levels;
  levels.nodes.push_back(root);
  seen[At(root)] = stamp;
  for (std::size_t begin = 0; begin < levels.nodes.size(); ++levels.depth) {
    const std::size_t end = levels.nodes.size();
    levels.lastLevel = begin;
    for (std::size_t k = begin; k < end; ++k) {
      for (const int next : graph[At(levels.nodes[k])]) {
        if (seen[At(next)] == stamp) continue;
        seen[At(next)] = stamp;
        levels.nodes.push_back(next);
      }
    }
    begin = end;
  }
  return levels;
}

// George and Liu: from a node of least degree in the component, move to a
// node of least degree in the last level of its level structure while that
// makes the structure deeper.
int PseudoPeripheralNode(const Graph& graph, int anyNode, std::vector<int>& seen, int& stamp) {
  Levels levels = LevelsFrom(graph, anyNode, seen, ++stamp);
  auto leastDegree = [&](auto first, auto last) {
    return *std::min_element(first, last, [&](int a, int b) {
      return std::pair(Degree(graph, a), a) < std::pair(Degree(graph, b), b);
    });
  };
  int root = leastDegree(levels.nodes.begin(), levels.nodes.end());
  levels = LevelsFrom(graph, root, seen, ++stamp);
  for (;;) {
    const auto lastLevel = levels.nodes.begin() + static_cast<std::ptrdiff_t>(levels.lastLevel);
    const int candidate = leastDegree(lastLevel, levels.nodes.end());
    Levels fromCandidate = LevelsFrom(graph, candidate, seen, ++stamp);
    if (fromCandidate.depth <= levels.depth) return root;
    root = candidate;
    levels = std::move(fromCandidate);
  }
}

// The new file order: entry k is the node to stand k-th.
std::vector<int> ReverseCuthillMcKee(const Graph& graph) {
  const int nodeCount = static_cast<int>(graph.size());
  std::vector<int> seen(graph.size(), 0);
  int stamp = 0;
  std::vector<bool> placed(graph.size(), false);
  std::vector<int> order;
  order.reserve(graph.size());
  for (int first = 0; first < nodeCount; ++first) {
    if (placed[At(first)]) continue;
    const int root = PseudoPeripheralNode(graph, first, seen, stamp);
    // Cuthill-McKee: breadth first, each node's new neighbours by rising
    // degree.
    std::size_t next = order.size();
    order.push_back(root);
    placed[At(root)] = true;
    for (; next < order.size(); ++next) {
      const std::size_t added = order.size();
      for (const int neighbour : graph[At(order[next])]) {
        if (placed[At(neighbour)]) continue;
        placed[At(neighbour)] = true;
        order.push_back(neighbour);
      }
      std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(added), order.end(),
                       [&](int a, int b) { return Degree(graph, a) < Degree(graph, b); });
    }
  }
  std::reverse(order.begin(), order.end());
  return order;
}

// 2*dmax + 2 with the nodes in `order`.
int HalfBandwidthOf(const Graph& graph, const std::vector<int>& order) {
  std::vector<int> position(graph.size());
  for (std::size_t k = 0; k < order.size(); ++k) position[At(order[k])] = static_cast<int>(k);
  int largest = 0;
  for (std::size_t node = 0; node < graph.size(); ++node) {
    for (const int neighbour : graph[node]) {
      largest = std::max(largest, std::abs(position[node] - position[At(neighbour)]));
    }
  }
  return 2 * largest + 2;
}

}  // namespace

// The bytes of each node's record, in file order: from the start of the line
// of its label to the end of the line (line end included) where its read
// stopped. The reads are those ReadModelFile makes first, on a model it has
// accepted; each begins on a line of its own.
std::vector<std::pair<std::size_t, std::size_t>> NodeRecords(std::string_view text, int nodeCount) {
  std::vector<std::size_t> lineStart{0, 0};  // lineStart[k]: line k, from 1
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') lineStart.push_back(i + 1);
  }
  lineStart.push_back(text.size());
  auto start = [&](std::int64_t line) {
    return lineStart[std::min(static_cast<std::size_t>(line), lineStart.size() - 1)];
  };

  InputUnit unit(kModelUnit, text);
  std::int16_t count = 0;
  std::array countItem{ReadItem(count)};
  FreeFormRead(unit, countItem);  // nodes
  FreeFormRead(unit, countItem);  // bars
  std::vector<std::pair<std::size_t, std::size_t>> records;
  for (int i = 0; i < nodeCount; ++i) {
    std::int16_t label = 0;
    double x = 0.0;
    double y = 0.0;
    std::array node{ReadItem(label), ReadItem(x), ReadItem(y)};
    FreeFormRead(unit, node);
    // An accepted label always has its value, and so its line.
    records.emplace_back(start(node[0].line), start(unit.line() + 1));
  }
  return records;
}

Renumbered RenumberNodes(std::string_view modelText) {
  Renumbered result;
  Model model;
  result.error = Read(modelText, model, result.halfBandwidthBefore);
  if (!result.error.empty()) return result;

  const Graph graph = GraphOf(model);
  const std::vector<int> order = ReverseCuthillMcKee(graph);
  if (HalfBandwidthOf(graph, order) >= result.halfBandwidthBefore) {
    result.text = modelText;
    result.halfBandwidthAfter = result.halfBandwidthBefore;
    return result;
  }

  // The record of order[k] goes where the k-th record stood.
  const auto records = NodeRecords(modelText, model.nodeCount);
  std::size_t copied = 0;
  for (std::size_t k = 0; k < records.size(); ++k) {
    const auto [begin, end] = records[At(order[k])];
    result.text.append(modelText.substr(copied, records[k].first - copied));
    result.text.append(modelText.substr(begin, end - begin));
    copied = records[k].second;
  }
  result.text.append(modelText.substr(copied));

  // The width reported is the one quivor finds in the new text.
  Model reordered;
  const std::string error = Read(result.text, reordered, result.halfBandwidthAfter);
  if (!error.empty()) {
    result.text.clear();
    result.error = "falha interna ao reordenar os nós: " + error;
  }
  return result;
}

}  // namespace quivor::generate
