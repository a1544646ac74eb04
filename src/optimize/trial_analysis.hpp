// quivor's analysis and sizing of one truss, repeated for many node
// positions: the arrays are allocated once, when the analysis is made, and
// every trial reuses them. A trial runs quivor's own routines in quivor's
// order (assembly, supports, banded solution, bar forces, sizing), so its
// strand counts are the ones quivor and the study find for the same
// coordinates, bit for bit.
//
// Units: cm, kgf, g.
#pragma once

#include <algorithm>
#include <cstdint>
#include <new>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor::optimize {

// An array that cannot be had ends the search as the study's does.
inline void Check(const Failure& failure) {
  if (failure.failed()) throw std::bad_alloc();
}

// `to` takes the shape and values of `from`.
template <class T>
void CopyArray(const Array2<T>& from, Array2<T>& to) {
  Check(Allocate(to, from.rows(), from.columns()));
  std::copy(from.data(), from.data() + from.size(), to.data());
}
template <class T>
void CopyArray(const Array1<T>& from, Array1<T>& to) {
  Check(Allocate(to, from.size()));
  std::copy(from.data(), from.data() + from.size(), to.data());
}

class TrialAnalysis {
 public:
  // Copies what the analysis needs of `model` (as the reader left it): the
  // bars, supports, loads, safety coefficients and the starting coordinates.
  // Throws std::bad_alloc when the arrays cannot be had.
  explicit TrialAnalysis(const Model& model);

  // The coordinates the next trial analyses: (nodeCount, 2), x and y in cm,
  // internal node order. They start as the model's.
  Array2<double>& coordinates() { return coordinates_; }
  const Array2<double>& coordinates() const { return coordinates_; }

  // Analyses and sizes the truss at the current coordinates. False when the
  // elimination meets a pivot quivor's test refuses (the truss is a
  // mechanism there, or nearly one); the weights are then undefined.
  bool Run();

  // The bridge to build at the last trial's coordinates, as the study makes
  // it: each bar with the most strands any load case needs (3 with no load
  // case), times its length, times 0.0397 g/cm, added in bar order.
  double BuildWeight() const { return buildWeight_; }
  // The same with the strand counts left as real numbers (never below 3):
  // the smooth stand-in for the staircase of BuildWeight.
  double SmoothWeight() const { return smoothWeight_; }

  // The length (cm) of bar b (1-based) at the current coordinates, as quivor
  // works it out.
  double BarLength(int b) const;

  int halfBandwidth() const { return halfBandwidth_; }

 private:
  std::int16_t nodeCount_ = 0;
  std::int16_t barCount_ = 0;
  std::int16_t supportCount_ = 0;
  std::int16_t loadCaseCount_ = 0;
  std::int16_t halfBandwidth_ = 0;
  LabelMap nodeIndexOfLabel_;
  Array2<std::int16_t> barNodes_;
  Array2<std::int16_t> supportTable_;
  Array2<double> loads_;  // the model's, restrained rows cleared by the supports
  float tensionSafetyFactor_ = 1.0f;
  float compressionSafetyFactor_ = 1.0f;
  double allowableStrandTension_ = 0.0;  // kgf per strand, as the sizing works it out

  Array2<double> coordinates_;
  Array2<double> band_;
  Array1<double> solverWork_;
  Array2<double> displacement_;
  Array2<double> barForce_;
  Array2<double> reaction_;
  Array2<std::int32_t> strandCount_;
  Array1<double> barLength_;
  Array2<double> barWeight_;
  Array1<double> totalWeight_;

  double buildWeight_ = 0.0;
  double smoothWeight_ = 0.0;
};

}  // namespace quivor::optimize
