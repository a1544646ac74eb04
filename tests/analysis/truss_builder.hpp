// Builds small models in memory, the way the model reader leaves them, and
// runs the analysis steps of the main program on them.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/apply_supports.hpp"
#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/solve_banded.hpp"
#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor::test {

class TrussBuilder {
 public:
  explicit TrussBuilder(int loadCaseCount = 1) : loadCaseCount_(loadCaseCount) {}

  TrussBuilder& Node(int label, double x, double y) {
    nodes_.push_back({label, x, y});
    return *this;
  }
  TrussBuilder& Bar(int label, int startLabel, int endLabel) {
    bars_.push_back({label, startLabel, endLabel});
    return *this;
  }
  // Codes: 0 restrained, anything else free.
  TrussBuilder& Support(int label, int codeX, int codeY) {
    supports_.push_back({label, codeX, codeY});
    return *this;
  }
  // Stored, not added, as the reader does; loadCase is 1-based.
  TrussBuilder& Load(int loadCase, int label, double fx, double fy) {
    loads_.push_back({loadCase, label, fx, fy});
    return *this;
  }
  TrussBuilder& SafetyFactors(float tension, float compression) {
    tension_ = tension;
    compression_ = compression;
    return *this;
  }

  Model Build() const {
    Model model;
    model.nodeCount = static_cast<std::int16_t>(nodes_.size());
    model.barCount = static_cast<std::int16_t>(bars_.size());
    (void)Allocate(model.nodeLabel, model.nodeCount);
    (void)Allocate(model.nodeCoord, model.nodeCount, 2);
    for (int i = 1; i <= model.nodeCount; ++i) {
      const NodeRecord& node = nodes_[static_cast<std::size_t>(i - 1)];
      model.nodeLabel(i) = static_cast<std::int16_t>(node.label);
      model.nodeCoord(i, 1) = node.x;
      model.nodeCoord(i, 2) = node.y;
      model.nodeIndexOfLabel(node.label) = static_cast<std::int16_t>(i);
    }
    (void)Allocate(model.barLabel, model.barCount);
    (void)Allocate(model.barNodes, model.barCount, 2);
    for (int j = 1; j <= model.barCount; ++j) {
      const Triple& bar = bars_[static_cast<std::size_t>(j - 1)];
      model.barLabel(j) = static_cast<std::int16_t>(bar.a);
      model.barNodes(j, 1) = static_cast<std::int16_t>(bar.b);
      model.barNodes(j, 2) = static_cast<std::int16_t>(bar.c);
    }
    model.supportCount = static_cast<std::int16_t>(supports_.size());
    (void)Allocate(model.supportTable, model.supportCount, 3);
    for (int s = 1; s <= model.supportCount; ++s) {
      const Triple& support = supports_[static_cast<std::size_t>(s - 1)];
      model.supportTable(s, 1) = model.nodeIndexOfLabel(support.a);
      model.supportTable(s, 2) = static_cast<std::int16_t>(support.b);
      model.supportTable(s, 3) = static_cast<std::int16_t>(support.c);
    }
    model.loadCaseCount = static_cast<std::int16_t>(loadCaseCount_);
    (void)Allocate(model.loadMatrix, 2 * model.nodeCount, model.loadCaseCount);
    for (const LoadRecord& load : loads_) {
      const int dof = 2 * model.nodeIndexOfLabel(load.label) - 1;
      model.loadMatrix(dof, load.loadCase) = load.fx;
      model.loadMatrix(dof + 1, load.loadCase) = load.fy;
    }
    model.tensionSafetyFactor = tension_;
    model.compressionSafetyFactor = compression_;
    return model;
  }

 private:
  struct NodeRecord {
    int label;
    double x, y;
  };
  struct Triple {
    int a, b, c;
  };
  struct LoadRecord {
    int loadCase, label;
    double fx, fy;
  };
  int loadCaseCount_;
  float tension_ = 1.0f;
  float compression_ = 1.0f;
  std::vector<NodeRecord> nodes_;
  std::vector<Triple> bars_;
  std::vector<Triple> supports_;
  std::vector<LoadRecord> loads_;
};

// Bandwidth, assembly, supports and solution, as the main program runs them.
// The model's loadMatrix ends with its restrained rows zeroed.
inline SolveOutcome Solve(Model& model, Results& results) {
  const int equationCount = 2 * model.nodeCount;
  ComputeHalfBandwidth(model.barCount, results.halfBandwidth, model.barNodes,
                       model.nodeIndexOfLabel);
  (void)Allocate(results.stiffnessBand, equationCount, results.halfBandwidth);
  AssembleStiffness(model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                    kStrandArea, results.stiffnessBand, model.barCount);
  ApplySupports(model.supportCount, results.stiffnessBand, model.loadCaseCount, model.supportTable,
                model.loadMatrix, results.halfBandwidth, model.nodeCount);
  (void)Allocate(results.solverWork, results.halfBandwidth);
  (void)Allocate(results.displacement, equationCount, model.loadCaseCount);
  return SolveBanded(results.stiffnessBand, model.loadMatrix, results.displacement,
                     model.loadCaseCount, results.halfBandwidth, model.nodeCount,
                     results.solverWork);
}

// A Pratt truss bridge: `panels` panels of `panel` cm, `height` cm high,
// bottom chord nodes B0..Bm, top chord nodes T1..T(m-1), diagonals falling
// towards mid-span, end posts B0-T1 and Bm-T(m-1). Nodes are listed column by
// column (B0, B1, T1, B2, T2, ..., Bm) so the band stays narrow. labelOf maps
// the file position (1-based) to the label, so tests can permute labels.
// Left end pinned; the right end on a roller, or pinned when `pinnedRight`
// (one redundant reaction). No loads are set.
template <class LabelOf>
TrussBuilder PrattTruss(int panels, double panel, double height, bool pinnedRight,
                        int loadCaseCount, LabelOf labelOf) {
  TrussBuilder truss(loadCaseCount);
  const int m = panels;
  // Position of Bi and Ti in the file order.
  auto bottom = [m](int i) { return i == 0 ? 1 : (i == m ? 2 * m : 2 * i); };
  auto top = [](int i) { return 2 * i + 1; };
  for (int position = 1; position <= 2 * m; ++position) {
    if (position == 1 || position == 2 * m || position % 2 == 0) {
      const int i = position == 1 ? 0 : (position == 2 * m ? m : position / 2);
      truss.Node(labelOf(position), i * panel, 0.0);
    } else {
      truss.Node(labelOf(position), (position - 1) / 2 * panel, height);
    }
  }
  int bar = 0;
  auto add = [&](int fromPosition, int toPosition) {
    truss.Bar(++bar, labelOf(fromPosition), labelOf(toPosition));
  };
  for (int i = 0; i < m; ++i) add(bottom(i), bottom(i + 1));
  for (int i = 1; i < m - 1; ++i) add(top(i), top(i + 1));
  for (int i = 1; i < m; ++i) add(bottom(i), top(i));
  add(bottom(0), top(1));
  add(bottom(m), top(m - 1));
  for (int i = 1; i < m - 1; ++i) {
    // Diagonals run from the top chord down towards mid-span.
    if (2 * i < m) {
      add(top(i), bottom(i + 1));
    } else {
      add(bottom(i), top(i + 1));
    }
  }
  truss.Support(labelOf(bottom(0)), 0, 0);
  truss.Support(labelOf(bottom(m)), pinnedRight ? 0 : 1, 0);
  return truss;
}

// The README's triangle: a 40 cm base on a pin and a roller, its apex 15 cm
// up, safety coefficients 2 and 3, and one load case of 5 kgf down at the
// apex.
inline Model ReadmeTriangle() {
  return TrussBuilder(1)
      .Node(1, 0, 0)
      .Node(2, 40, 0)
      .Node(3, 20, 15)
      .Bar(1, 1, 2)
      .Bar(2, 1, 3)
      .Bar(3, 2, 3)
      .Support(1, 0, 0)
      .Support(2, 1, 0)
      .SafetyFactors(2, 3)
      .Load(1, 3, 0, -5)
      .Build();
}

}  // namespace quivor::test
