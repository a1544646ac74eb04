// Mechanisms: the motions of the nodes that the truss resists with no force.
//
// The stiffness matrix K (one strand's rigidity for every bar, the restrained
// directions left out) is positive semidefinite: K v = 0 exactly when no bar
// changes length under v. Its null space is found by a symmetric elimination
// in the order of the equations that sets aside every equation whose pivot
// has fallen to rounding level next to that equation's own diagonal (a
// pivot that comes out small is taken again bar by bar, free of the
// elimination's rounding); each equation set aside gives one independent
// mechanism.
#pragma once

#include <vector>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::study {

struct MechanismSearch {
  std::vector<Mechanism> mechanisms;  // as many as the nullity of K
  // false: K, or its elimination, holds values that are not finite numbers;
  // no mechanism is given then.
  bool finite = true;
};

MechanismSearch FindMechanisms(const Model& model);

// max |K v| over the free directions divided by the largest diagonal entry
// of K, for the motion v of `mechanism` (the restrained directions
// excluded): rounding level for a true mechanism. K is assembled here by the
// analysis's own routines, apart from the search.
double MechanismResidual(const Model& model, const Mechanism& mechanism);

}  // namespace quivor::study
