// Strand counts: a bar in tension needs enough strands to carry its force,
// each strand carrying strandTensileStrength / tensionSafetyFactor; a bar in
// compression needs enough strands for the Euler buckling load of the bundle,
// n*n*strandBucklingConstant / (L*L), to reach compressionSafetyFactor*|F|
// over its whole length. No bar has fewer than three strands.
#include "design/size_members.hpp"

#include <cmath>
#include <limits>

#include "model/bar_geometry.hpp"

namespace quivor {
namespace {

// The count held when a ceiling does not fit in 32 bits or is not a number.
constexpr std::int32_t kUnboundedStrandCount = std::numeric_limits<std::int32_t>::max();

// A whole number held as a real, as a count; never an undefined conversion.
std::int32_t CountOf(double ceiling) {
  if (ceiling >= -2147483648.0 && ceiling < 2147483648.0) return static_cast<std::int32_t>(ceiling);
  return kUnboundedStrandCount;
}

// The strands that bar force F (kgf) of a bar of length L (cm) needs, before
// the minimum: the ceiling of the real count.
std::int32_t RequiredStrands(double force, double length, double allowableStrandTension,
                             float compressionSafetyFactor) {
  return CountOf(
      std::ceil(RealStrandCount(force, length, allowableStrandTension, compressionSafetyFactor)));
}

}  // namespace

double RealStrandCount(double force, double length, double allowableStrandTension,
                       float compressionSafetyFactor) {
  if (force > 0.0) return force / allowableStrandTension;
  if (force < 0.0) {
    // n*n >= c*|F|*L*L / constant: the coefficient times the force first,
    // then times L*L (the rounded length squared by one product), then the
    // division; the count flips on the last bit, so the order is fixed.
    const double q = -((static_cast<double>(compressionSafetyFactor) * force) * (length * length)) /
                     kStrandBucklingConstant;
    return std::sqrt(q);
  }
  return static_cast<double>(kMinimumStrandCount);
}

void SizeMembers(Array2<std::int32_t>& strandCount, Array1<double>& barLength,
                 Array2<double>& barWeight, const Array2<double>& barForce,
                 const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                 const Array2<double>& nodeCoord, std::int16_t barCount, std::int16_t loadCaseCount,
                 Array1<double>& totalWeight, float& tensionSafetyFactor,
                 float& compressionSafetyFactor) {
  // A coefficient below 1.0 is not an error: it is used, and reported, as 1.0.
  if (tensionSafetyFactor < 1.0f) tensionSafetyFactor = 1.0f;
  if (compressionSafetyFactor < 1.0f) compressionSafetyFactor = 1.0f;
  // kgf that one strand may carry in tension.
  const double allowableStrandTension =
      static_cast<double>(kStrandTensileStrength) / static_cast<double>(tensionSafetyFactor);

  for (int i = 1; i <= barCount; ++i) {
    barLength(i) = GeometryOfBar(i, nodeIndexOfLabel, barNodes, nodeCoord).length;  // cm
  }

  for (int k = 1; k <= loadCaseCount; ++k) totalWeight(k) = 0.0;

  // Each load case is sized by itself; the total adds the bars in order.
  for (int k = 1; k <= loadCaseCount; ++k) {
    for (int i = 1; i <= barCount; ++i) {
      std::int32_t strands = RequiredStrands(barForce(i, k), barLength(i), allowableStrandTension,
                                             compressionSafetyFactor);
      if (strands < kMinimumStrandCount) strands = kMinimumStrandCount;
      strandCount(i, k) = strands;
      barWeight(i, k) = (static_cast<double>(strands) * barLength(i)) * kStrandLinearWeight;  // g
      totalWeight(k) = totalWeight(k) + barWeight(i, k);
    }
  }
}

}  // namespace quivor
