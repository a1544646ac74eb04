// Sizing of every bar as a bundle of whole spaghetti strands, per load case.
#pragma once

#include <cstdint>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor {

// The strands' design constants.
// Tensile force one strand carries, kgf; a 32-bit constant widened exactly.
inline constexpr float kStrandTensileStrength = 4.267f;
// A bundle of n strands of length L buckles at n*n*constant/(L*L) kgf; kgf*cm2.
// The 32-bit constant widened: 18.308866500854492.
inline constexpr double kStrandBucklingConstant = static_cast<double>(18.308866f);
inline constexpr double kStrandLinearWeight = 0.0397;  // g/cm of one strand
inline constexpr std::int32_t kMinimumStrandCount = 3;

// The strands, as a real number, that bar force F (kgf) of a bar of length L
// (cm) needs: F / allowableStrandTension in tension, the count whose bundle
// buckles at compressionSafetyFactor * |F| in compression, and the minimum
// for no force or a force that is not a number. Its ceiling is the count
// SizeMembers gives before the minimum.
double RealStrandCount(double force, double length, double allowableStrandTension,
                       float compressionSafetyFactor);

// Raises a safety coefficient below 1.0 to 1.0 (the caller sees the raised
// value), then fills strandCount, barLength, barWeight and totalWeight.
void SizeMembers(Array2<std::int32_t>& strandCount, Array1<double>& barLength,
                 Array2<double>& barWeight, const Array2<double>& barForce,
                 const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                 const Array2<double>& nodeCoord, std::int16_t barCount, std::int16_t loadCaseCount,
                 Array1<double>& totalWeight, float& tensionSafetyFactor,
                 float& compressionSafetyFactor);

}  // namespace quivor
