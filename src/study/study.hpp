// The study of one model for a contest: the bridge to build (the envelope of
// the strand counts over the load cases), how much load it holds before a
// bar breaks or buckles, and, when the truss is a mechanism, how it moves.
//
// A pure core: data in, data out, no text and no I/O. The console, the JSON
// document and the CSV file only format what it returns.
//
// Units: cm, kgf, g. Node and bar numbers are the labels of the model file.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "model/model.hpp"
#include "study/material.hpp"

namespace quivor::study {

struct StudyOptions {
  double weightLimit = 750.0;  // g, the whole bridge's
  double strandLength = 25.4;  // cm, one whole strand
  StrandMaterial material;     // quivor's own strand unless the team gives its own
  // The bridge: so many trusses as the model, side by side, sharing the
  // load equally; the glue at each node of each truss, and the rest that is
  // weighed with them (cross members, deck, bracing).
  int trusses = 2;
  double glue = 0.0;         // g per node
  double extraWeight = 0.0;  // g
};

// One bar of the bridge to build.
struct BuildBar {
  int bar;                  // label
  int start;                // start node label
  int end;                  // end node label
  double length;            // cm
  std::int32_t strands;     // the most any load case needs (3 with no load case)
  int loadCase;             // the first case that needs that many; 0 with no load case
  double weight;            // g: strands * length * the strand's g/cm (0.0397)
  bool splice;              // longer than a whole strand
  double tensionCapacity;   // kgf: strands * 4.267 (the strand's), where the bundle breaks
  double bucklingCapacity;  // kgf: strands^2 * 18.3089 (K) / length^2, where it buckles
};

struct BuildList {
  std::vector<BuildBar> bars;  // file order
  double weight = 0.0;         // g, the bars added in file order
  // Whole strands that yield every piece (first fit, longest pieces first).
  std::int64_t wholeStrands = 0;
};

// The whole bridge: `trusses` trusses, each the model's bridge to build,
// with its glue and the rest that is weighed (bridge.hpp).
struct Bridge {
  int trusses = 0;
  double glue = 0.0;           // g per node of each truss
  double extraWeight = 0.0;    // g
  double trussesWeight = 0.0;  // g: trusses * the truss's weight
  double glueWeight = 0.0;     // g: trusses * nodes * glue
  double weight = 0.0;         // g: trusses, glue and extra, the weight set against the limit
  bool withinLimit = false;
  std::optional<double> collapseLoad;  // kgf: trusses * the truss's collapse load
  std::optional<double> efficiency;    // kgf of the bridge's collapse load per kg of bridge
  // The same two from each truss's conservative collapse load.
  std::optional<double> conservativeCollapseLoad;
  std::optional<double> conservativeEfficiency;
  // Whole strands that yield the pieces of every truss, cut together.
  std::int64_t wholeStrands = 0;
};

enum class FailureMode { kTension, kBuckling };

struct NodeLoad {
  int node;   // label
  double fx;  // kgf
  double fy;
};

// The collapse of one load case, the bridge's bundles in place and the
// safety coefficients left out. Empty optionals where the case puts no
// force in any bar (or no finite one).
struct CaseCollapse {
  int loadCase;
  double load;                         // kgf: the magnitude of the resultant
  std::optional<double> factor;        // capacity / |force|, least over the bars
  std::optional<double> collapseLoad;  // kgf: factor * load; empty when the load is 0
  std::optional<int> bar;              // the first bar that attains the factor
  std::optional<FailureMode> mode;
  double maxDisplacement;         // cm, the longest nodal displacement under the case
  int node;                       // the first node that has it
  std::vector<double> barForces;  // kgf with the bundles, + tension, file order
  std::vector<NodeLoad> loads;    // the case's nodal forces as the model gives them
};

// The headline: the case with the least collapse load.
struct Collapse {
  int loadCase;
  double load;  // kgf, the collapse load
  int bar;
  FailureMode mode;
};

struct NodeMotion {
  int node;  // label
  double dx;
  double dy;
};

// A motion of the nodes that no bar resists, zero in every restrained
// direction, scaled so that its component of largest magnitude is +1.
struct Mechanism {
  std::vector<NodeMotion> motion;  // the nodes that move, file order
  int node;                        // the node that moves most (the first of equals)
  double dx;                       // its motion
  double dy;
  bool rigid;  // a rigid motion of every node that has a bar

  // The nodes that move, that one included.
  int movingNodes() const { return static_cast<int>(motion.size()); }
};

enum class WarningKind {
  kNoBar,          // node: no bar meets it
  kOneBar,         // node: a single bar, and the node is not held across it
  kCollinearBars,  // node: its bars lie on one line and it is not held across it
  kDuplicateBar,   // bar: joins the same two nodes as `other`, an earlier bar
  kTinyPivot,      // node: quivor's pivot test lets this mechanism through
  kNoMotionFound,  // quivor stops with a singular matrix, yet the bars are stiff
  kNotFinite,      // the stiffness holds values that are not finite numbers
};

struct Warning {
  WarningKind kind;
  int node = 0;   // label, where the warning is about a node
  int bar = 0;    // label, where it is about a bar
  int other = 0;  // kDuplicateBar: the earlier bar's label
};

// A warning about the model file itself, found where the file is read (the
// study gets the model as quivor reads it and never sees the file): its
// line, the text the reader left unread there, and the warning in words.
struct FileWarning {
  std::int64_t line = 0;
  std::string ignored;
  std::string text;
};

struct Study {
  int nodes = 0;
  int bars = 0;
  int restraints = 0;  // distinct (node, direction) pairs held
  int maxwell = 0;     // bars + restraints - 2 * nodes
  bool stable = false;
  bool quivorSingular = false;  // quivor stops this model with " Matriz singular"
  std::vector<Mechanism> mechanisms;
  std::vector<Warning> warnings;
  double weightLimit = 0.0;
  double strandLength = 0.0;
  // For a mechanism these stay empty: no forces, no bridge to build.
  std::optional<BuildList> build;
  std::vector<CaseCollapse> cases;
  std::optional<Collapse> collapse;
  std::optional<double> efficiency;  // kgf of collapse load per kg of one truss
  // The material the estimate used. `cases`, `collapse` and `efficiency`
  // hold the estimate with its expected values; these the one with its
  // characteristic values (the same numbers for quivor's own strand).
  StrandMaterial material;
  std::vector<CaseCollapse> conservativeCases;
  std::optional<Collapse> conservativeCollapse;
  std::optional<double> conservativeEfficiency;
  // The whole bridge of so many trusses; empty where `build` is.
  std::optional<Bridge> bridge;
};

// A count of the bridge to build that does not fit where it is counted: a
// bar that needs more strands than quivor's sizing counts in 32 bits (held
// there as INT32_MAX: a force far too large for it, or not a number), or
// whole strands beyond 2^53, the last count a double holds exactly (a bar
// far too long for the strand). The model is at fault, and the bar says
// where.
class CountOverflow : public std::exception {
 public:
  enum class Count { kStrands, kWholeStrands };
  // The largest whole-strand count kept.
  static constexpr std::int64_t kMostWholeStrands = std::int64_t{1} << 53;

  CountOverflow(Count count, int bar) : count_(count), bar_(bar) {}
  Count count() const { return count_; }
  int bar() const { return bar_; }  // label
  const char* what() const noexcept override { return "a count of the bridge does not fit"; }

 private:
  Count count_;
  int bar_;
};

// Studies a model as the reader left it. Analyses it as quivor does, so it
// changes the model as quivor's analysis does (the restrained rows of the
// load matrix set to zero, a safety coefficient below 1 raised to 1).
// Throws std::bad_alloc when the arrays cannot be had, and CountOverflow
// when the bridge to build of a stable truss cannot be counted.
Study StudyModel(Model& model, const StudyOptions& options);

}  // namespace quivor::study
