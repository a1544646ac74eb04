// Direct stiffness method for a plane truss of pin-jointed bars.
//
// A bar with axis cosines (cx, cy) and axial stiffness k = E*A/L has, in its
// end displacements (x1, y1, x2, y2), the matrix
//   k * [ C -C; -C C ],  C = [ cx*cx  cx*cy; cx*cy  cy*cy ].
// Every product below is rounded on its own, in the order written, so that
// the band is the same bit for bit on every build.
#include "analysis/assemble_stiffness.hpp"

#include "model/bar_geometry.hpp"

namespace quivor {

void BarStiffness(std::int16_t b, ElementStiffness& elementStiffness,
                  const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                  const Array2<double>& nodeCoord, double elasticModulus, double strandArea) {
  const BarGeometry bar = GeometryOfBar(b, nodeIndexOfLabel, barNodes, nodeCoord);
  const double length = bar.length;  // cm
  const double cx = bar.dx / length;
  const double cy = bar.dy / length;
  const double k = (elasticModulus * strandArea) / length;  // kgf/cm

  // es(r, c) is entry (r, c), 1-based; only r <= c is written.
  auto es = [&elementStiffness](int r, int c) -> double& {
    return elementStiffness[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)];
  };
  es(1, 1) = (cx * cx) * k;
  es(1, 2) = (k * cx) * cy;
  es(2, 2) = (cy * cy) * k;
  es(1, 3) = -es(1, 1);
  es(1, 4) = -es(1, 2);
  es(2, 3) = es(1, 4);
  es(2, 4) = -es(2, 2);
  es(3, 3) = es(1, 1);
  es(4, 4) = es(2, 2);
  es(3, 4) = es(1, 2);
}

void AddBarStiffness(std::int16_t b, const ElementStiffness& elementStiffness,
                     const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                     Array2<double>& stiffnessBand) {
  // Each block is added into the upper triangle of the global matrix. When
  // the start node has the larger index the (start, end) block lands below
  // the diagonal, so its transpose is added instead; either way only the
  // upper triangle of elementStiffness is read.
  for (int a = 1; a <= 2; ++a) {
    for (int e = a; e <= 2; ++e) {
      const int na = nodeIndexOfLabel(barNodes(b, a));
      const int ne = nodeIndexOfLabel(barNodes(b, e));
      for (int i = 1; i <= 2; ++i) {
        const int j0 = na == ne ? i : 1;
        for (int j = j0; j <= 2; ++j) {
          int r = 0;
          int g = 0;
          double term = 0.0;
          if (na <= ne) {
            r = 2 * na - 2 + i;
            g = 2 * ne - 2 + j;
            term = elementStiffness[static_cast<std::size_t>(2 * a - 3 + i)]
                                   [static_cast<std::size_t>(2 * e - 3 + j)];
          } else {
            r = 2 * ne - 2 + i;
            g = 2 * na - 2 + j;
            term = elementStiffness[static_cast<std::size_t>(2 * a - 3 + j)]
                                   [static_cast<std::size_t>(2 * e - 3 + i)];
          }
          stiffnessBand(r, g - r + 1) += term;
        }
      }
    }
  }
}

void AssembleStiffness(const LabelMap& nodeIndexOfLabel, const Array2<std::int16_t>& barNodes,
                       const Array2<double>& nodeCoord, double elasticModulus, double strandArea,
                       Array2<double>& stiffnessBand, std::int16_t barCount) {
  ElementStiffness elementStiffness{};

  // The cells beyond the matrix edge are cleared too, and nothing writes them again.
  double* band = stiffnessBand.data();
  for (std::size_t cell = 0; cell < stiffnessBand.size(); ++cell) band[cell] = 0.0;

  for (int b = 1; b <= barCount; ++b) {
    const auto bar = static_cast<std::int16_t>(b);
    BarStiffness(bar, elementStiffness, nodeIndexOfLabel, barNodes, nodeCoord, elasticModulus,
                 strandArea);
    AddBarStiffness(bar, elementStiffness, nodeIndexOfLabel, barNodes, stiffnessBand);
  }
}

}  // namespace quivor
