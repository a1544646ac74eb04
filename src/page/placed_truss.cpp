// The truss in drawing coordinates.
#include <algorithm>
#include <cmath>
#include <limits>

#include "page/page_parts.hpp"
#include "study/stages.hpp"

namespace quivor::page {
namespace {

// Half the distance from `low` to `high`: finite for any two finite doubles.
double HalfSpan(double low, double high) { return high * 0.5 - low * 0.5; }

}  // namespace

int PlacedTruss::IndexOfLabel(const Model& model, int label) const {
  if (label < 1 || label > kMaxNodeLabel) return -1;
  const int index = model.nodeIndexOfLabel(label);
  if (index < 1 || static_cast<std::size_t>(index) > nodes.size()) return -1;
  return index - 1;
}

namespace {

// The nodes, bars and supports of `model`, its nodes put in the frame the
// truss's scale, originX and originY set.
void PlaceIn(const Model& model, PlacedTruss& truss) {
  const int nodeCount = std::max(0, std::min({static_cast<int>(model.nodeCount),
                                              model.nodeLabel.size(), model.nodeCoord.rows()}));
  const int barCount = std::max(0, std::min({static_cast<int>(model.barCount),
                                             model.barLabel.size(), model.barNodes.rows()}));
  // A shrunk truss is scaled before the origin is taken away (the
  // difference of two coordinates may overflow); any other after (a small
  // truss may stand far from the origin).
  const double s = truss.scale;
  const bool shrunk = s < 1.0;
  const auto along = [&](double value, double from) {
    return shrunk ? value * s - from * s : (value - from) * s;
  };
  const std::vector<study::HeldDirections> held = study::HeldByNode(model);
  truss.nodes.reserve(static_cast<std::size_t>(nodeCount));
  for (int i = 1; i <= nodeCount; ++i) {
    const double x = along(model.nodeCoord(i, 1), truss.originX);
    const double y = -along(model.nodeCoord(i, 2), truss.originY);
    const bool drawn = std::isfinite(x) && std::isfinite(y);
    const study::HeldDirections& h = held[static_cast<std::size_t>(i - 1)];
    truss.nodes.push_back({model.nodeLabel(i), x, y, drawn, h.x, h.y, h.supported});
    if (!drawn) ++truss.undrawnNodes;
  }

  truss.bars.reserve(static_cast<std::size_t>(barCount));
  for (int j = 1; j <= barCount; ++j) {
    PlacedTruss::Bar bar{model.barLabel(j), model.barNodes(j, 1), model.barNodes(j, 2), -1, -1};
    const int start = truss.IndexOfLabel(model, bar.startLabel);
    const int end = truss.IndexOfLabel(model, bar.endLabel);
    if (start >= 0 && end >= 0 && truss.nodes[static_cast<std::size_t>(start)].drawn &&
        truss.nodes[static_cast<std::size_t>(end)].drawn) {
      bar.start = start;
      bar.end = end;
    }
    truss.bars.push_back(bar);
  }
}

}  // namespace

PlacedTruss PlaceTruss(const Model& model) {
  const int nodeCount = std::max(0, std::min({static_cast<int>(model.nodeCount),
                                              model.nodeLabel.size(), model.nodeCoord.rows()}));
  double minX = std::numeric_limits<double>::infinity();
  double maxX = -minX;
  double minY = minX;
  double maxY = -minX;
  bool anyDrawn = false;
  for (int i = 1; i <= nodeCount; ++i) {
    const double x = model.nodeCoord(i, 1);
    const double y = model.nodeCoord(i, 2);
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    anyDrawn = true;
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }

  PlacedTruss truss;
  if (anyDrawn) {
    // A drawing from 1 cm to 1 km wide is at full size; one outside that is
    // brought to 100 units, a truss of one point aside.
    const double half = std::max(HalfSpan(minX, maxX), HalfSpan(minY, maxY));
    if (half > 5e4 || (half < 0.5 && half >= 1e-6)) truss.scale = 50.0 / half;
    truss.originX = minX;
    truss.originY = maxY;
  }
  PlaceIn(model, truss);
  if (anyDrawn) {
    const double s = truss.scale;
    truss.width = s < 1.0 ? maxX * s - minX * s : (maxX - minX) * s;
    truss.height = s < 1.0 ? maxY * s - minY * s : (maxY - minY) * s;
  }
  return truss;
}

PlacedTruss PlaceTrussInFrame(const Model& model, const PlacedTruss& frame) {
  PlacedTruss truss;
  truss.scale = frame.scale;
  truss.originX = frame.originX;
  truss.originY = frame.originY;
  truss.width = frame.width;
  truss.height = frame.height;
  PlaceIn(model, truss);
  return truss;
}

}  // namespace quivor::page
