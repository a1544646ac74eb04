// What the connections of a truss tell before any analysis: Maxwell's count
// m + r - 2j (a plane truss of j nodes needs at least 2j bars and held
// directions together), and the nodes and bars that make a mechanism likely.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "model/bar_geometry.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

// Unit vectors closer to parallel than this (the sine of the angle) lie on
// one line.
constexpr double kParallelSine = 1e-9;

// Whether a node held as `held` stays put when it moves across a line of
// direction (cx, cy): a held direction blocks it unless it lies along the line.
bool HeldAcross(const HeldDirections& held, double cx, double cy) {
  return (held.x && std::abs(cy) > kParallelSine) || (held.y && std::abs(cx) > kParallelSine);
}

}  // namespace

std::vector<HeldDirections> HeldByNode(const Model& model) {
  std::vector<HeldDirections> held(static_cast<std::size_t>(model.nodeCount));
  for (int k = 1; k <= model.supportCount; ++k) {
    const int node = model.supportTable(k, 1);
    if (node < 1 || node > model.nodeCount) continue;
    HeldDirections& h = held[static_cast<std::size_t>(node - 1)];
    h.supported = true;
    h.x = h.x || model.supportTable(k, 2) == 0;
    h.y = h.y || model.supportTable(k, 3) == 0;
  }
  return held;
}

Study CheckTruss(const Model& model) {
  Study study;
  const int nodes = model.nodeCount;
  study.nodes = nodes;
  study.bars = std::max<int>(model.barCount, 0);  // a negative count reads no bar

  const std::vector<HeldDirections> held = HeldByNode(model);
  for (const HeldDirections& h : held) study.restraints += int{h.x} + int{h.y};
  study.maxwell = study.bars + study.restraints - 2 * nodes;

  // Per node: how many bars meet it, the direction of the first, and whether
  // every other one lies on the same line.
  struct Star {
    int bars = 0;
    double cx = 0.0;
    double cy = 0.0;
    bool collinear = true;
  };
  std::vector<Star> stars(static_cast<std::size_t>(nodes) + 1);
  for (int b = 1; b <= model.barCount; ++b) {
    const BarGeometry g = GeometryOfBar(b, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord);
    const double cx = g.dx / g.length;
    const double cy = g.dy / g.length;
    for (int node : {g.start, g.end}) {
      Star& star = stars[static_cast<std::size_t>(node)];
      if (star.bars++ == 0) {
        star.cx = cx;
        star.cy = cy;
      } else if (!(std::abs(star.cx * cy - star.cy * cx) <= kParallelSine)) {
        star.collinear = false;
      }
    }
  }
  for (int i = 1; i <= nodes; ++i) {
    const Star& star = stars[static_cast<std::size_t>(i)];
    const int label = model.nodeLabel(i);
    if (star.bars == 0) {
      study.warnings.push_back({WarningKind::kNoBar, label});
    } else if (star.collinear &&
               !HeldAcross(held[static_cast<std::size_t>(i - 1)], star.cx, star.cy)) {
      study.warnings.push_back(
          {star.bars == 1 ? WarningKind::kOneBar : WarningKind::kCollinearBars, label});
    }
  }

  // Two bars on the same pair of nodes, in either direction: the later one.
  std::vector<std::pair<std::pair<int, int>, int>> ends;  // (node pair, bar index)
  ends.reserve(static_cast<std::size_t>(std::max<int>(model.barCount, 0)));
  for (int b = 1; b <= model.barCount; ++b) {
    const int p = model.barNodes(b, 1);
    const int q = model.barNodes(b, 2);
    ends.push_back({{std::min(p, q), std::max(p, q)}, b});
  }
  std::sort(ends.begin(), ends.end());
  std::vector<std::pair<int, int>> duplicates;  // (bar index, first bar index)
  std::size_t groupStart = 0;
  for (std::size_t j = 1; j < ends.size(); ++j) {
    if (ends[j].first != ends[j - 1].first) {
      groupStart = j;
    } else {
      duplicates.push_back({ends[j].second, ends[groupStart].second});
    }
  }
  std::sort(duplicates.begin(), duplicates.end());
  for (const auto& [bar, first] : duplicates) {
    study.warnings.push_back(
        {WarningKind::kDuplicateBar, 0, model.barLabel(bar), model.barLabel(first)});
  }
  return study;
}

}  // namespace quivor::study
