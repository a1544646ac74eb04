// quivor's own strand.
#include "study/material.hpp"

#include "design/size_members.hpp"

namespace quivor::study {

StrandValues BundledStrand() {
  return {static_cast<double>(kStrandTensileStrength), kStrandBucklingConstant,
          kStrandLinearWeight};
}

}  // namespace quivor::study
