// Support conditions: every restrained direction becomes an identity row and
// column of the band with a zero load in every load case.
#pragma once

#include <cstdint>

#include "model/arrays.hpp"

namespace quivor {

void ApplySupports(std::int16_t supportCount, Array2<double>& stiffnessBand,
                   std::int16_t loadCaseCount, const Array2<std::int16_t>& supportTable,
                   Array2<double>& loadMatrix, std::int16_t halfBandwidth, std::int16_t nodeCount);

}  // namespace quivor
