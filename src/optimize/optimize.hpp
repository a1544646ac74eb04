// The shape of a truss made lighter (quivor-study otimizar): the nodes that
// neither carry a support or a load nor lie on the deck are moved, the bars
// and everything else kept, so that the bridge to build (the study's: the
// most strands each bar needs over the load cases, times its length, times
// 0.0397 g/cm) weighs as little as the search can find.
//
// The search: that weight is a staircase in the coordinates (strand counts
// are whole numbers), so NLopt's Sbplx minimises a smooth stand-in, the
// same sizing with real strand counts (never below 3), from several starts;
// every position it analyses is judged by the true weight as well, and the
// lightest position that keeps every rule and that the study finds stable
// is kept.
// A pure core: no text for people but its error, no I/O.
//
// Units: cm, kgf, g.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.hpp"
#include "optimize/layout.hpp"
#include "study/study.hpp"

namespace quivor::optimize {

struct Progress {
  int start;  // the local search under way, from 1
  int starts;
  std::int64_t evaluations;  // analyses so far
  // g, the lightest truss so far; through OptimizeModelText, the whole
  // bridge of the study's options with that truss.
  double weight;
};

struct SearchOptions {
  ShapeRules rules;
  // Local searches: the model as given, two set shapes, then restarts from
  // the best so far, moved at random (with a fixed seed: the same model
  // gives the same result).
  int starts = 30;
  // The work of the whole search, shared equally by the local searches,
  // each of which also stops at so many analyses per unknown. An analysis
  // counts its bars, its equations x band / 9 and its elimination's
  // operations, equations x band x (band + load cases), / 5000: the
  // solver's time goes with the first product on a narrow band and with the
  // second on a wide one. About 57 ns a unit on one core of a 2020s
  // computer, on bands of 6 and 800 alike: some 20 s for the whole search.
  double work = 2.5e8;
  std::int64_t analysesPerUnknown = 1500;
  // Called now and then while the search runs.
  std::function<void(const Progress&)> progress;
};

struct Shape {
  std::string error;  // the layout's (Portuguese); empty otherwise
  Layout layout;
  // The coordinates found (x, y per node, file order) and the weight of the
  // bridge to build there; the model's own when nothing lighter was found.
  std::vector<std::pair<double, double>> coordinates;
  double weight = 0.0;       // g
  double startWeight = 0.0;  // g, at the model's own coordinates
  std::int64_t evaluations = 0;
};

// Searches a lighter shape for `model`, as the reader left it, whose truss
// quivor analyses (the start must not be singular). Throws std::bad_alloc
// when memory runs out.
Shape SearchShape(const Model& model, const SearchOptions& options);

// A node that moved: its label, where it was and where it is (cm).
struct NodeMove {
  int node;
  double x0;
  double y0;
  double x;
  double y;
};

struct Optimization {
  // Why the model could not be optimised (Portuguese, one line); empty
  // otherwise. The model as given and its study are filled in any case
  // where the model was read.
  std::string error;
  Model start;
  study::Study before;
  // The model file to write (the given text when no lighter shape was
  // found), the model read from it and its study.
  std::string text;
  Model model;
  study::Study after;
  bool improved = false;
  std::vector<NodeMove> moves;  // file order
  Layout layout;
  std::int64_t evaluations = 0;
};

// The whole command on a model file's text: read, studied, searched, the
// result written as a model file, read back and studied. The result is
// never a heavier bridge than the start, nor a truss quivor cannot analyse:
// then the text is the start's. A model the reader refuses or that is a
// mechanism gives `before` (a mechanism's study) and an error, or only an
// error. Throws study::CountOverflow, as the study does, for a model whose
// bridge to build cannot be counted.
Optimization OptimizeModelText(std::string_view text, const SearchOptions& options,
                               const study::StudyOptions& studyOptions);

}  // namespace quivor::optimize
