// Axial forces from the displacements of a bar's two ends, and the nodal sums
// of the bar end forces. Every bar has the axial rigidity of one strand, as
// in the assembly: the analysis is not repeated with the strand counts.
#include "design/member_forces.hpp"

#include "model/bar_geometry.hpp"

namespace quivor {

void ComputeMemberForces(std::int16_t barCount, std::int16_t loadCaseCount,
                         const Array2<std::int16_t>& barNodes, const Array2<double>& displacement,
                         double elasticModulus, double strandArea, const LabelMap& nodeIndexOfLabel,
                         const Array2<double>& nodeCoord, Array2<double>& barForce,
                         Array2<double>& reaction) {
  double* sums = reaction.data();
  for (std::size_t cell = 0; cell < reaction.size(); ++cell) sums[cell] = 0.0;

  for (int i = 1; i <= barCount; ++i) {
    const BarGeometry bar = GeometryOfBar(i, nodeIndexOfLabel, barNodes, nodeCoord);
    const int a = bar.start;
    const int b = bar.end;
    const double length = bar.length;  // cm
    const double cx = bar.dx / length;
    const double cy = bar.dy / length;
    const double stiffness = elasticModulus * strandArea / length;  // kgf/cm
    for (int k = 1; k <= loadCaseCount; ++k) {
      // Displacements of both ends along the bar axis, from start to end.
      const double startAxial = displacement(2 * a - 1, k) * cx + displacement(2 * a, k) * cy;
      const double endAxial = displacement(2 * b - 1, k) * cx + displacement(2 * b, k) * cy;
      const double force = stiffness * (endAxial - startAxial);  // kgf, + tension
      barForce(i, k) = force;
      // A bar in tension pulls its start node towards the end node and the
      // end node back: the external forces that balance it point outwards.
      reaction(2 * a - 1, k) = reaction(2 * a - 1, k) - cx * force;
      reaction(2 * a, k) = reaction(2 * a, k) - cy * force;
      reaction(2 * b - 1, k) = reaction(2 * b - 1, k) + cx * force;
      reaction(2 * b, k) = reaction(2 * b, k) + cy * force;
    }
  }
}

}  // namespace quivor
