// The data of one run: the model as read from its file, and the results of
// the analysis and the sizing. The main program owns one of each for the
// whole run and passes the routines what they use.
//
// Units: cm for lengths and coordinates, kgf for forces, g for weights.
// Degrees of freedom: internal node i has x = 2i-1 and y = 2i.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

#include "model/arrays.hpp"

namespace quivor {

// Valid node labels are 1 to kMaxNodeLabel.
inline constexpr int kMaxNodeLabel = 1000;

// Entry k holds the internal index of the node labelled k; 0 where no node
// has label k. The model reader admits only labels 1..1000.
class LabelMap {
 public:
  std::int16_t& operator()(int label) {
    assert(label >= 1 && label <= kMaxNodeLabel);
    return index_[static_cast<std::size_t>(label - 1)];
  }
  std::int16_t operator()(int label) const {
    assert(label >= 1 && label <= kMaxNodeLabel);
    return index_[static_cast<std::size_t>(label - 1)];
  }

 private:
  std::array<std::int16_t, kMaxNodeLabel> index_{};
};

struct Model {
  std::int16_t nodeCount = 0;
  std::int16_t barCount = 0;
  Array1<std::int16_t> nodeLabel;  // (nodeCount)
  Array2<double> nodeCoord;        // (nodeCount, 2): x, y; cm
  LabelMap nodeIndexOfLabel;
  Array1<std::int16_t> barLabel;  // (barCount)
  Array2<std::int16_t> barNodes;  // (barCount, 2): start and end node LABELS
  std::int16_t supportCount = 0;
  Array2<std::int16_t> supportTable;  // (supportCount, 3): internal index, code x, code y
  std::int16_t loadCaseCount = 0;
  Array2<double> loadMatrix;  // (2*nodeCount, loadCaseCount); kgf
  float tensionSafetyFactor = 0.0f;
  float compressionSafetyFactor = 0.0f;
};

// Axial rigidity of one strand: elasticModulus * strandArea = 916.2 kgf.
inline constexpr double kElasticModulus = 36000.0;  // kgf/cm2
inline constexpr double kStrandArea = 0.02545;      // cm2

struct Results {
  std::int16_t halfBandwidth = 0;
  Array2<double> stiffnessBand;  // (2*nodeCount, halfBandwidth)
  Array1<double> solverWork;     // (halfBandwidth)
  Array2<double> displacement;   // (2*nodeCount, loadCaseCount); cm
  Array2<double> barForce;       // (barCount, loadCaseCount); kgf, + tension
  Array2<double> reaction;       // (2*nodeCount, loadCaseCount); kgf
  // Strand counts are held in 32 bits: a count beyond 32767 is kept, and a
  // ceiling that does not fit or is not finite is held as INT32_MAX.
  Array2<std::int32_t> strandCount;  // (barCount, loadCaseCount)
  Array1<double> barLength;          // (barCount); cm
  Array2<double> barWeight;          // (barCount, loadCaseCount); g
  Array1<double> totalWeight;        // (loadCaseCount); g
};

}  // namespace quivor
