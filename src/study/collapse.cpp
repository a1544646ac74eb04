// The collapse load of the bridge to build. The truss is analysed again with
// each bar's real bundle (its axial rigidity strands times one strand's), and
// with the safety coefficients left out each bar is loaded up to its
// capacity: a bundle in tension breaks at strands times one strand's tensile
// strength; one in compression buckles at its Euler load, strands squared
// times the bundle constant over the length squared. The load case, scaled
// as a whole, collapses at the least of capacity / |force| over the bars.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "analysis/apply_supports.hpp"
#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/solve_banded.hpp"
#include "design/size_members.hpp"
#include "model/bar_geometry.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

void Check(const Failure& failure) {
  if (failure.failed()) throw std::bad_alloc();
}

// The nodal displacements of every load case with the bundles' rigidity;
// empty when the elimination meets a pivot quivor's test refuses.
Array2<double> SolveWithBundles(Model& model, const BuildList& build) {
  const int equations = 2 * model.nodeCount;
  std::int16_t halfBandwidth = 0;
  ComputeHalfBandwidth(model.barCount, halfBandwidth, model.barNodes, model.nodeIndexOfLabel);
  Array2<double> band;
  Check(Allocate(band, equations, halfBandwidth));
  ElementStiffness element{};
  for (int b = 1; b <= model.barCount; ++b) {
    const auto bar = static_cast<std::int16_t>(b);
    // The bundle's rigidity in place of the modulus, times an area of 1.
    const double rigidity =
        static_cast<double>(build.bars[static_cast<std::size_t>(b - 1)].strands) * kStrandRigidity;
    BarStiffness(bar, element, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, rigidity,
                 1.0);
    AddBarStiffness(bar, element, model.nodeIndexOfLabel, model.barNodes, band);
  }
  ApplySupports(model.supportCount, band, model.loadCaseCount, model.supportTable, model.loadMatrix,
                halfBandwidth, model.nodeCount);
  Array1<double> work;
  Array2<double> displacement;
  Check(Allocate(work, halfBandwidth));
  Check(Allocate(displacement, equations, model.loadCaseCount));
  if (SolveBanded(band, model.loadMatrix, displacement, model.loadCaseCount, halfBandwidth,
                  model.nodeCount, work) == SolveOutcome::kSingular) {
    displacement.Release();
  }
  return displacement;
}

// The length of (x, y): sqrt(x^2 + y^2) as it stands where the squares are
// normal doubles; otherwise with x and y scaled by a power of two first, so
// that no square overflows (from about 1.3e154) or underflows (below about
// 1.5e-154). Infinite only when the length is beyond the largest double.
double Length(double x, double y) {
  const double squares = x * x + y * y;
  if (std::isfinite(squares) && squares >= std::numeric_limits<double>::min()) {
    return std::sqrt(squares);
  }
  const double larger = std::max(std::abs(x), std::abs(y));
  if (larger == 0.0 || !std::isfinite(larger)) return larger;
  int exponent = 0;
  (void)std::frexp(larger, &exponent);
  const double sx = std::ldexp(x, -exponent);
  const double sy = std::ldexp(y, -exponent);
  return std::ldexp(std::sqrt(sx * sx + sy * sy), exponent);
}

}  // namespace

double Resultant(const std::vector<NodeLoad>& loads) {
  // The forces added in node order, then the length of their sum.
  double fx = 0.0;
  double fy = 0.0;
  for (const NodeLoad& load : loads) {
    fx += load.fx;
    fy += load.fy;
  }
  if (std::isfinite(fx) && std::isfinite(fy)) return Length(fx, fy);
  // Sums beyond the largest double: added again at a quarter of the scale
  // (exact for forces this large), the length scaled back, which may still
  // be beyond it.
  fx = 0.0;
  fy = 0.0;
  for (const NodeLoad& load : loads) {
    fx += 0.25 * load.fx;
    fy += 0.25 * load.fy;
  }
  return 4.0 * Length(fx, fy);
}

std::vector<std::vector<NodeLoad>> CaseLoads(const Model& model) {
  std::vector<std::vector<NodeLoad>> cases;
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    std::vector<NodeLoad>& loads = cases.emplace_back();
    for (int p = 1; p <= model.nodeCount; ++p) {
      const double fx = model.loadMatrix(2 * p - 1, k);
      const double fy = model.loadMatrix(2 * p, k);
      if (fx != 0.0 || fy != 0.0) loads.push_back({model.nodeLabel(p), fx, fy});
    }
  }
  return cases;
}

std::vector<CaseCollapse> EstimateCollapse(Model& model, const BuildList& build,
                                           std::vector<std::vector<NodeLoad>> caseLoads) {
  const Array2<double> u = SolveWithBundles(model, build);
  std::vector<CaseCollapse> cases;
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    CaseCollapse c{};
    c.loadCase = k;
    c.loads = std::move(caseLoads[static_cast<std::size_t>(k - 1)]);
    c.load = Resultant(c.loads);  // kgf
    c.node = model.nodeLabel(1);
    c.barForces.assign(static_cast<std::size_t>(std::max<int>(model.barCount, 0)), 0.0);
    cases.push_back(c);
  }
  if (u.columns() == 0) return cases;

  for (CaseCollapse& c : cases) {
    const int k = c.loadCase;
    for (int p = 1; p <= model.nodeCount; ++p) {
      const double dx = u(2 * p - 1, k);
      const double dy = u(2 * p, k);
      const double moved = Length(dx, dy);  // cm
      if (moved > c.maxDisplacement) {
        c.maxDisplacement = moved;
        c.node = model.nodeLabel(p);
      }
    }
  }
  for (int i = 1; i <= model.barCount; ++i) {
    const BuildBar& bar = build.bars[static_cast<std::size_t>(i - 1)];
    const BarGeometry g = GeometryOfBar(i, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord);
    const double cx = g.dx / g.length;
    const double cy = g.dy / g.length;
    const double rigidity = static_cast<double>(bar.strands) * kStrandRigidity;  // kgf
    for (CaseCollapse& c : cases) {
      const int k = c.loadCase;
      const double elongation = (u(2 * g.end - 1, k) * cx + u(2 * g.end, k) * cy) -
                                (u(2 * g.start - 1, k) * cx + u(2 * g.start, k) * cy);
      c.barForces[static_cast<std::size_t>(i - 1)] = (rigidity / g.length) * elongation;  // kgf
    }
  }
  ScaleToCollapse(cases, build);
  return cases;
}

void ScaleToCollapse(std::vector<CaseCollapse>& cases, const BuildList& build) {
  for (CaseCollapse& c : cases) {
    c.factor.reset();
    c.collapseLoad.reset();
    c.bar.reset();
    c.mode.reset();
  }
  // The bar that attains each case's factor: its |force| and capacity, kgf.
  struct Attained {
    double force = 0.0;
    double capacity = 0.0;
  };
  std::vector<Attained> attained(cases.size());
  for (std::size_t i = 0; i < build.bars.size(); ++i) {
    const BuildBar& bar = build.bars[i];
    for (std::size_t n = 0; n < cases.size(); ++n) {
      CaseCollapse& c = cases[n];
      if (i >= c.barForces.size()) continue;
      const double force = c.barForces[i];  // kgf, + tension
      if (force == 0.0 || !std::isfinite(force)) continue;
      const double capacity = force > 0.0 ? bar.tensionCapacity : bar.bucklingCapacity;
      const double factor = capacity / std::abs(force);
      // Factors past the largest double (forces below about 1e-308 kgf) are
      // told apart by the force over the capacity, which does not overflow.
      Attained& most = attained[n];
      const bool beyond = std::isinf(factor) && c.factor && std::isinf(*c.factor) &&
                          std::abs(force) / capacity > most.force / most.capacity;
      if (!c.factor || factor < *c.factor || beyond) {
        c.factor = factor;
        most = {std::abs(force), capacity};
        c.bar = bar.bar;
        c.mode = force > 0.0 ? FailureMode::kTension : FailureMode::kBuckling;
      }
    }
  }
  for (CaseCollapse& c : cases) {
    if (!c.factor || c.load == 0.0) continue;
    double collapseLoad = *c.factor * c.load;
    if (!std::isfinite(collapseLoad)) {
      // A factor past the largest double (forces below about 1e-308 kgf): the
      // load over the force first, which the load's size does not change.
      const Attained& a = attained[static_cast<std::size_t>(&c - cases.data())];
      collapseLoad = a.capacity * (c.load / a.force);
    }
    // A load far above what the bars carry (most of it into the supports)
    // may still scale past the largest double: then there is no estimate.
    if (std::isfinite(collapseLoad)) c.collapseLoad = collapseLoad;
  }
}

}  // namespace quivor::study
