// The null space of the free stiffness matrix, by a profile (envelope)
// L D L^T elimination that sets aside the equations whose pivots vanish.
//
// Equations here are numbered from 0 over the free directions only, in the
// order of the degrees of freedom (x of node 1, y of node 1, x of node 2...).
// The lower triangle is kept row by row from each row's first coupled
// column: a node order that keeps the bars short gives a short profile
// whatever the half-bandwidth, which one long bar can make as wide as the
// matrix.
#include "study/mechanisms.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "model/arrays.hpp"
#include "model/bar_geometry.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

// A pivot at most this fraction of its equation's diagonal is taken as zero.
constexpr double kRelativePivotTolerance = 1e-10;
// Components of a scaled mechanism below this magnitude are set to 0.
constexpr double kNegligibleMotion = 1e-12;
// A motion is rigid when no node that has a bar strays further than this
// from the best rigid fit (the motion scaled to a largest component of 1).
constexpr double kRigidFitTolerance = 1e-6;
// ...and when some node that has a bar moves at least this much: a loose
// node moving alone leaves the truss where it is.
constexpr double kRigidLeastMotion = 0.5;
// A pivot that comes out at most this fraction of its diagonal is taken
// again, free of the elimination's rounding (see FactorSettingAside).
constexpr double kPivotRecheckRatio = 1e-4;

std::size_t Index(int i) { return static_cast<std::size_t>(i); }

// most = max(most, value), except that a value that is not a number sticks:
// a residual that cannot be measured must not pass for a small one.
void KeepLargest(double& most, double value) {
  if (!std::isnan(most) && !(value <= most)) most = value;
}

// Whether the supports hold degree of freedom d (0-based: 2(i-1) is x of
// internal node i, 2(i-1)+1 its y).
bool IsHeld(const std::vector<HeldDirections>& held, std::size_t d) {
  const HeldDirections& node = held[d / 2];
  return d % 2 == 0 ? node.x : node.y;
}

// The lower triangle of the free stiffness matrix: row i holds columns
// first[i]..i, entry (i, j) at start[i] + (j - first[i]).
struct Profile {
  std::vector<int> first;
  std::vector<std::size_t> start;  // one more than the rows: the end of the last
  std::vector<double> value;

  int rows() const { return static_cast<int>(first.size()); }
  std::size_t At(int i, int j) const { return start[Index(i)] + Index(j - first[Index(i)]); }
};

// One bar as the free stiffness sees it: k * [C -C; -C C] over (x, y of its
// start node, x, y of its end node), C = [cx*cx cx*cy; cx*cy cy*cy].
struct FreeBar {
  std::array<int, 4> equation;  // -1 where the direction is held
  double cx;
  double cy;
  double stiffness;  // kgf/cm: E*A/L
};

struct FreeStiffness {
  Profile k;
  std::vector<FreeBar> bars;
};

// K over the free directions, every bar at one strand's axial rigidity.
FreeStiffness AssembleFreeStiffness(const Model& model, const std::vector<int>& equationOf,
                                    int equations) {
  FreeStiffness free;
  for (int b = 1; b <= model.barCount; ++b) {
    const BarGeometry bar =
        GeometryOfBar(b, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord);
    const std::size_t s = 2 * Index(bar.start - 1);
    const std::size_t e = 2 * Index(bar.end - 1);
    free.bars.push_back({{equationOf[s], equationOf[s + 1], equationOf[e], equationOf[e + 1]},
                         bar.dx / bar.length,
                         bar.dy / bar.length,
                         kStrandRigidity / bar.length});
  }

  Profile& k = free.k;
  k.first.resize(Index(equations));
  for (int i = 0; i < equations; ++i) k.first[Index(i)] = i;
  for (const FreeBar& bar : free.bars) {
    int lowest = equations;
    for (int e : bar.equation) {
      if (e >= 0) lowest = std::min(lowest, e);
    }
    for (int e : bar.equation) {
      if (e >= 0) k.first[Index(e)] = std::min(k.first[Index(e)], lowest);
    }
  }
  k.start.resize(Index(equations) + 1);
  k.start[0] = 0;
  for (int i = 0; i < equations; ++i) {
    k.start[Index(i) + 1] = k.start[Index(i)] + Index(i - k.first[Index(i)] + 1);
  }
  k.value.assign(k.start.back(), 0.0);

  for (const FreeBar& bar : free.bars) {
    const double cx = bar.cx;
    const double cy = bar.cy;
    const double c[2][2] = {{(cx * cx) * bar.stiffness, (bar.stiffness * cx) * cy},
                            {(bar.stiffness * cx) * cy, (cy * cy) * bar.stiffness}};
    const std::array<int, 4>& eq = bar.equation;
    for (std::size_t p = 0; p < 4; ++p) {
      for (std::size_t q = 0; q < 4; ++q) {
        // Each pair once, in the lower triangle.
        if (eq[p] < 0 || eq[q] < 0 || eq[p] < eq[q]) continue;
        const double entry = c[p % 2][q % 2];
        k.value[k.At(eq[p], eq[q])] += (p / 2 == q / 2) ? entry : -entry;
      }
    }
  }
  return free;
}

// v^T K v for v over the free equations, as the sum over the bars of
// k * e * e with e the bar's elongation under v. The terms are never
// negative: a motion that stretches no bar gives the rounding of the
// elongations squared, next to nothing, where the pivot of the elimination
// carries rounding that grows with the square of the motion's size.
double Energy(const std::vector<FreeBar>& bars, const std::vector<double>& v) {
  auto component = [&v](int e) { return e < 0 ? 0.0 : v[Index(e)]; };
  double energy = 0.0;
  for (const FreeBar& bar : bars) {
    const double elongation = bar.cx * (component(bar.equation[2]) - component(bar.equation[0])) +
                              bar.cy * (component(bar.equation[3]) - component(bar.equation[1]));
    energy += bar.stiffness * (elongation * elongation);
  }
  return energy;
}

// The motion of set-aside equation z over free equations 0..rows-1 and z
// (0 beyond): 1 at z, 0 at the other equations set aside, and at the kept
// ones P the solution of K_PP v_P = -K(P, z), with rows 0..rows-1 of the
// factor (the whole of it once the elimination is done).
std::vector<double> Motion(const Profile& factor, const Profile& original,
                           const std::vector<double>& pivot, const std::vector<char>& aside, int z,
                           int rows) {
  std::vector<double> v(Index(factor.rows()), 0.0);
  const int fz = factor.first[Index(z)];
  // The right-hand side: column z of K, the part left of the diagonal in
  // row z, the part below it in the rows that reach back to z.
  for (int j = fz; j < z; ++j) {
    if (!aside[Index(j)]) v[Index(j)] = -original.value[original.At(z, j)];
  }
  for (int i = z + 1; i < rows; ++i) {
    if (!aside[Index(i)] && factor.first[Index(i)] <= z) {
      v[Index(i)] = -original.value[original.At(i, z)];
    }
  }
  // Forward: L y = b. Nothing ahead of row fz is non-zero. The columns of
  // the equations set aside hold zeros, so v stays 0 there.
  for (int i = fz; i < rows; ++i) {
    if (aside[Index(i)] || i == z) continue;
    const int fi = factor.first[Index(i)];
    const double* row = factor.value.data() + factor.start[Index(i)];
    double sum = 0.0;
    for (int m = std::max(fi, fz); m < i; ++m) sum += row[m - fi] * v[Index(m)];
    v[Index(i)] -= sum;
  }
  for (int i = fz; i < rows; ++i) {
    if (!aside[Index(i)] && i != z) v[Index(i)] /= pivot[Index(i)];
  }
  // Backward: L^T x = y, a finished unknown at a time taken out of the
  // unknowns its row reaches.
  for (int i = rows - 1; i >= 0; --i) {
    const double x = v[Index(i)];
    if (aside[Index(i)] || i == z || x == 0.0) continue;
    const int fi = factor.first[Index(i)];
    const double* row = factor.value.data() + factor.start[Index(i)];
    for (int m = fi; m < i; ++m) v[Index(m)] -= row[m - fi] * x;
  }
  v[Index(z)] = 1.0;
  return v;
}

// Factors K = L D L^T in place, row by row (the Crout form of COLSOL,
// Bathe & Wilson): for j < i, g(i,j) = a(i,j) - sum_k l(j,k) g(i,k), then
// l(i,j) = g(i,j) / d(j) and d(i) = a(i,i) - sum_j l(i,j) g(i,j). Row i ends
// holding l(i, j < i) and d(i).
//
// An equation whose pivot is at most kRelativePivotTolerance times its own
// diagonal (or not a number) is set aside: its row and column are cleared
// and take no further part. K is positive semidefinite, so the rest of that
// equation's row in the reduced matrix is at rounding level too
// (|s(i,j)|^2 <= s(i,i) s(j,j)).
//
// The pivot d(i) is the least v^T K v over the motions v of equations
// 0..i with v(i) = 1 and every set-aside equation still. Computed by the
// elimination it carries rounding of about eps * |v|^2 * a(i,i): along a
// free bridge of 1000 nodes the rotation's pivot comes out at 4e-9 of its
// diagonal, not 0. So a pivot that comes out small is taken again as
// v^T K v of that motion summed bar by bar (Energy), which stays at
// rounding level for a true mechanism.
//
// Returns the pivots, 0 for the equations set aside, which `aside` marks.
std::vector<double> FactorSettingAside(Profile& factor, const FreeStiffness& original,
                                       std::vector<char>& aside) {
  const int n = factor.rows();
  std::vector<double> pivot(Index(n), 0.0);
  aside.assign(Index(n), 0);
  for (int i = 0; i < n; ++i) {
    const int fi = factor.first[Index(i)];
    double* row = factor.value.data() + factor.start[Index(i)];  // row[j - fi] is (i, j)
    for (int j = fi; j < i; ++j) {
      if (aside[Index(j)]) {
        row[j - fi] = 0.0;
        continue;
      }
      const int fj = factor.first[Index(j)];
      const double* rowJ = factor.value.data() + factor.start[Index(j)];
      double sum = 0.0;
      for (int m = std::max(fi, fj); m < j; ++m) sum += rowJ[m - fj] * row[m - fi];
      row[j - fi] -= sum;
    }
    double d = row[i - fi];
    for (int j = fi; j < i; ++j) {
      if (aside[Index(j)]) continue;
      const double g = row[j - fi];
      const double l = g / pivot[Index(j)];
      row[j - fi] = l;
      d -= l * g;
    }
    const double a = original.k.value[original.k.At(i, i)];
    if (a > 0.0 && std::isfinite(d) && d <= kPivotRecheckRatio * a) {
      const double energy = Energy(original.bars, Motion(factor, original.k, pivot, aside, i, i));
      if (std::isfinite(energy)) d = energy;
    }
    if (!(a > 0.0) || !(d > kRelativePivotTolerance * a)) {
      aside[Index(i)] = 1;
      std::fill(row, row + (i - fi), 0.0);
      row[i - fi] = 0.0;
    } else {
      pivot[Index(i)] = d;
      row[i - fi] = d;
    }
  }
  return pivot;
}

// The nodes that have a bar, their coordinates about their centroid, and
// the sum of their squared distances from it: what the rigid fit needs.
struct RigidFrame {
  std::vector<int> node;  // internal indices
  std::vector<double> x;  // cm, about the centroid
  std::vector<double> y;
  double spread = 0.0;  // sum of x*x + y*y, cm2
};

RigidFrame FrameOfBarredNodes(const Model& model) {
  std::vector<char> hasBar(Index(model.nodeCount) + 1, 0);
  for (int b = 1; b <= model.barCount; ++b) {
    hasBar[Index(model.nodeIndexOfLabel(model.barNodes(b, 1)))] = 1;
    hasBar[Index(model.nodeIndexOfLabel(model.barNodes(b, 2)))] = 1;
  }
  RigidFrame frame;
  for (int i = 1; i <= model.nodeCount; ++i) {
    if (hasBar[Index(i)]) frame.node.push_back(i);
  }
  if (frame.node.empty()) return frame;
  // Offsets from the first such node before the mean, so that coordinates
  // far from the origin keep their differences.
  const double x0 = model.nodeCoord(frame.node[0], 1);
  const double y0 = model.nodeCoord(frame.node[0], 2);
  double sumX = 0.0;
  double sumY = 0.0;
  for (int i : frame.node) {
    frame.x.push_back(model.nodeCoord(i, 1) - x0);
    frame.y.push_back(model.nodeCoord(i, 2) - y0);
    sumX += frame.x.back();
    sumY += frame.y.back();
  }
  const auto count = static_cast<double>(frame.node.size());
  const double meanX = sumX / count;
  const double meanY = sumY / count;
  for (std::size_t n = 0; n < frame.node.size(); ++n) {
    frame.x[n] -= meanX;
    frame.y[n] -= meanY;
    frame.spread += frame.x[n] * frame.x[n] + frame.y[n] * frame.y[n];
  }
  return frame;
}

// Whether the motion v (by degree of freedom) moves every node that has a
// bar as one rigid body: the least-squares translation t and rotation w of
// v_i = (tx - w*y_i, ty + w*x_i) are decoupled about the centroid, t the
// mean motion and w = sum(x*vy - y*vx) / sum(x*x + y*y). A distance that is
// not a number fails the test.
bool IsRigid(const RigidFrame& frame, const std::vector<double>& v) {
  if (frame.node.empty()) return false;
  double tx = 0.0;
  double ty = 0.0;
  double moment = 0.0;
  for (std::size_t n = 0; n < frame.node.size(); ++n) {
    const std::size_t d = 2 * Index(frame.node[n] - 1);
    tx += v[d];
    ty += v[d + 1];
    moment += frame.x[n] * v[d + 1] - frame.y[n] * v[d];
  }
  const auto count = static_cast<double>(frame.node.size());
  tx /= count;
  ty /= count;
  const double w = moment / frame.spread;
  double residual = 0.0;
  double largest = 0.0;
  for (std::size_t n = 0; n < frame.node.size(); ++n) {
    const std::size_t d = 2 * Index(frame.node[n] - 1);
    const double rx = v[d] - (tx - w * frame.y[n]);
    const double ry = v[d + 1] - (ty + w * frame.x[n]);
    KeepLargest(residual, std::sqrt(rx * rx + ry * ry));
    largest = std::max(largest, std::sqrt(v[d] * v[d] + v[d + 1] * v[d + 1]));
  }
  return residual < kRigidFitTolerance && largest >= kRigidLeastMotion;
}

// Scales v (by degree of freedom, all finite, not all zero) so that its
// component of largest magnitude, the first of equals, is exactly +1, and
// clears the components left below kNegligibleMotion.
void Normalise(std::vector<double>& v) {
  std::size_t largest = 0;
  for (std::size_t d = 1; d < v.size(); ++d) {
    if (std::abs(v[d]) > std::abs(v[largest])) largest = d;
  }
  const double scale = v[largest];
  for (double& component : v) {
    component /= scale;
    if (std::abs(component) < kNegligibleMotion) component = 0.0;
  }
}

Mechanism Describe(const Model& model, const RigidFrame& frame, const std::vector<double>& v) {
  Mechanism mechanism{};
  double most = -1.0;
  for (int i = 1; i <= model.nodeCount; ++i) {
    const double dx = v[2 * Index(i - 1)];
    const double dy = v[2 * Index(i - 1) + 1];
    if (dx == 0.0 && dy == 0.0) continue;
    const int label = model.nodeLabel(i);
    mechanism.motion.push_back({label, dx, dy});
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance > most) {
      most = distance;
      mechanism.node = label;
      mechanism.dx = dx;
      mechanism.dy = dy;
    }
  }
  mechanism.rigid = IsRigid(frame, v);
  return mechanism;
}

}  // namespace

MechanismSearch FindMechanisms(const Model& model) {
  const std::vector<HeldDirections> held = HeldByNode(model);
  const std::size_t directions = 2 * held.size();
  std::vector<int> equationOf(directions, -1);
  int equations = 0;
  for (std::size_t d = 0; d < directions; ++d) {
    if (!IsHeld(held, d)) equationOf[d] = equations++;
  }

  const FreeStiffness original = AssembleFreeStiffness(model, equationOf, equations);
  for (double entry : original.k.value) {
    if (!std::isfinite(entry)) return {.mechanisms = {}, .finite = false};
  }
  Profile factor = original.k;
  std::vector<char> aside;
  const std::vector<double> pivot = FactorSettingAside(factor, original, aside);

  const RigidFrame frame = FrameOfBarredNodes(model);
  MechanismSearch search;
  std::vector<double> v(directions);
  for (int z = 0; z < equations; ++z) {
    if (!aside[Index(z)]) continue;
    const std::vector<double> free = Motion(factor, original.k, pivot, aside, z, equations);
    for (std::size_t d = 0; d < directions; ++d) {
      v[d] = equationOf[d] < 0 ? 0.0 : free[Index(equationOf[d])];
      // Finite entries of K can still overflow in the elimination.
      if (!std::isfinite(v[d])) return {.mechanisms = {}, .finite = false};
    }
    Normalise(v);
    search.mechanisms.push_back(Describe(model, frame, v));
  }
  return search;
}

double MechanismResidual(const Model& model, const Mechanism& mechanism) {
  const int equations = 2 * model.nodeCount;
  std::int16_t halfBandwidth = 0;
  ComputeHalfBandwidth(model.barCount, halfBandwidth, model.barNodes, model.nodeIndexOfLabel);
  Array2<double> band;
  if (Allocate(band, equations, halfBandwidth).failed()) throw std::bad_alloc();
  AssembleStiffness(model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                    kStrandArea, band, model.barCount);

  std::vector<double> v(Index(equations) + 1, 0.0);  // 1-based, as the band
  for (const NodeMotion& motion : mechanism.motion) {
    if (motion.node < 1 || motion.node > kMaxNodeLabel) continue;
    const int node = model.nodeIndexOfLabel(motion.node);
    if (node < 1 || node > model.nodeCount) continue;
    v[Index(2 * node - 1)] = motion.dx;
    v[Index(2 * node)] = motion.dy;
  }
  // w = K v from the upper band; each entry off the diagonal stands for
  // K(i, j) and K(j, i) both.
  std::vector<double> w(Index(equations) + 1, 0.0);
  for (int i = 1; i <= equations; ++i) {
    w[Index(i)] += band(i, 1) * v[Index(i)];
    for (int m = 2; m <= halfBandwidth && i + m - 1 <= equations; ++m) {
      const int j = i + m - 1;
      w[Index(i)] += band(i, m) * v[Index(j)];
      w[Index(j)] += band(i, m) * v[Index(i)];
    }
  }

  const std::vector<HeldDirections> held = HeldByNode(model);
  double largestDiagonal = 0.0;
  double largestForce = 0.0;  // kgf per unit of motion
  for (int i = 1; i <= equations; ++i) {
    if (IsHeld(held, Index(i - 1))) continue;
    KeepLargest(largestDiagonal, band(i, 1));
    KeepLargest(largestForce, std::abs(w[Index(i)]));
  }
  if (largestDiagonal == 0.0) return 0.0;
  return largestForce / largestDiagonal;
}

}  // namespace quivor::study
