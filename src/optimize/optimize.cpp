// The search with NLopt's Sbplx (Rowan's subplex: Nelder-Mead on a
// sequence of subspaces, robust on the kinks of the stand-in, where the
// envelope over the load cases or the minimum of 3 strands takes over),
// and the whole command on a model file's text.
//
// Sbplx takes bounds only; a bar shorter than it may be costs the stand-in
// a quadratic penalty instead, and a position with such a bar is never
// kept.
#include "optimize/optimize.hpp"

#include <nlopt.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "optimize/model_text.hpp"
#include "optimize/trial_analysis.hpp"
#include "study/bridge.hpp"
#include "study/mechanisms.hpp"

namespace quivor::optimize {
namespace {

std::size_t Index(int index) { return static_cast<std::size_t>(index); }

// Whether two arrays of one shape hold the same doubles bit for bit: a 0.0
// and a -0.0 differ, as they would in a model file.
bool SameBits(const Array2<double>& a, const Array2<double>& b) {
  return std::equal(a.data(), a.data() + a.size(), b.data(), [](double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
  });
}

Model CopyOf(const Model& model) {
  Model copy;
  copy.nodeCount = model.nodeCount;
  copy.barCount = model.barCount;
  copy.supportCount = model.supportCount;
  copy.loadCaseCount = model.loadCaseCount;
  copy.nodeIndexOfLabel = model.nodeIndexOfLabel;
  copy.tensionSafetyFactor = model.tensionSafetyFactor;
  copy.compressionSafetyFactor = model.compressionSafetyFactor;
  CopyArray(model.nodeLabel, copy.nodeLabel);
  CopyArray(model.nodeCoord, copy.nodeCoord);
  CopyArray(model.barLabel, copy.barLabel);
  CopyArray(model.barNodes, copy.barNodes);
  CopyArray(model.supportTable, copy.supportTable);
  CopyArray(model.loadMatrix, copy.loadMatrix);
  return copy;
}

// SplitMix64 (Steele, Lea and Flood): the restarts come out the same on
// every build and with every standard library.
class Random {
 public:
  double Uniform() {  // [0, 1)
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
  }

 private:
  std::uint64_t state_ = 20240611;
};

// What a position the solver refuses costs the stand-in: far above any
// shape worth keeping, and finite, which the simplex needs. The same factor
// of the start's stand-in, per cm^2 of shortness squared, for a bar shorter
// than it may be.
constexpr double kPenaltyFactor = 10.0;
// A position whose bridge weighs at most this much more than the best is
// judged rounded as well.
constexpr double kNearBest = 1.01;
// The local searches from the set shapes move the nodes only across the
// deck: the depth of the truss first, then where along it its nodes stand.
constexpr int kAcrossOnly = 3;
// Analyses between two progress reports.
constexpr std::int64_t kProgressEvery = 1024;

class Search {
 public:
  Search(const Model& model, const Layout& layout, TrialAnalysis& trial,
         const SearchOptions& options)
      : layout_(layout),
        trial_(trial),
        options_(options),
        probe_(CopyOf(model)),
        values_(layout.variables.size()) {
    const Array2<double>& start = trial_.coordinates();
    Check(Allocate(saved_, start.rows(), start.columns()));
    Check(Allocate(judged_, start.rows(), start.columns()));
    std::fill(judged_.data(), judged_.data() + judged_.size(),
              std::numeric_limits<double>::quiet_NaN());
    best_.resize(Index(start.rows()));
    Keep(start);
  }

  // Judges the model's own coordinates; false when quivor's solver refuses
  // them.
  bool Begin() {
    if (!trial_.Run()) return false;
    startWeight_ = bestWeight_ = trial_.BuildWeight();
    bestSmooth_ = trial_.SmoothWeight();
    penalty_ = kPenaltyFactor * bestSmooth_;
    for (const Variable& v : layout_.variables) bestValues_.push_back(v.start);
    return true;
  }

  // The stand-in at `x`; each analysis is also judged by the true weight.
  double Evaluate(const double* x) {
    for (std::size_t v = 0; v < values_.size(); ++v) {
      const Variable& variable = layout_.variables[v];
      values_[v] =
          std::isfinite(x[v]) ? std::clamp(x[v], variable.lower, variable.upper) : variable.start;
    }
    PlaceNodes(layout_, values_.data(), trial_.coordinates());
    ++evaluations_;
    if (evaluations_ % kProgressEvery == 0) Report();
    if (!trial_.Run()) return penalty_;
    const double smooth = trial_.SmoothWeight();
    double shortness = 0.0;  // cm^2
    for (std::size_t k = 0; k < layout_.bars.size(); ++k) {
      const double by = layout_.shortestLength[k] - trial_.BarLength(layout_.bars[k]);
      if (by > 0.0) shortness += by * by;
    }
    if (shortness == 0.0) Consider(trial_.BuildWeight(), smooth);
    return smooth + penalty_ * shortness;
  }

  // A local search from `x`; with `acrossOnly` the distances along the
  // deck stay as they are in `x` (Sbplx drops a variable whose bounds meet).
  void LocalSearch(std::vector<double> x, int start, std::int64_t analyses, bool acrossOnly) {
    start_ = start;
    Report();
    const auto n = static_cast<unsigned>(x.size());
    nlopt_opt opt = nlopt_create(NLOPT_LN_SBPLX, n);
    if (opt == nullptr) throw std::bad_alloc();
    std::vector<double> lower;
    std::vector<double> upper;
    std::vector<double> step;
    for (const Variable& v : layout_.variables) {
      lower.push_back(v.lower);
      upper.push_back(v.upper);
      step.push_back(std::max(0.1 * v.scale, 1e-6));
    }
    for (const MovingNode& node : layout_.moving) {
      if (acrossOnly && node.along >= 0)
        lower[Index(node.along)] = upper[Index(node.along)] = x[Index(node.along)];
    }
    nlopt_set_lower_bounds(opt, lower.data());
    nlopt_set_upper_bounds(opt, upper.data());
    nlopt_set_initial_step(opt, step.data());
    nlopt_set_min_objective(
        opt,
        [](unsigned, const double* at, double*, void* search) {
          return static_cast<Search*>(search)->Evaluate(at);
        },
        this);
    nlopt_set_xtol_abs1(opt, 1e-4);  // cm
    nlopt_set_maxeval(opt, static_cast<int>(std::min<std::int64_t>(analyses, 1 << 30)));
    double reached = 0.0;
    const nlopt_result outcome = nlopt_optimize(opt, x.data(), &reached);
    nlopt_destroy(opt);
    if (outcome == NLOPT_OUT_OF_MEMORY) throw std::bad_alloc();
  }

  void set_starts(int starts) { starts_ = starts; }
  const std::vector<double>& bestValues() const { return bestValues_; }
  const std::vector<std::pair<double, double>>& best() const { return best_; }
  double bestWeight() const { return bestWeight_; }
  double startWeight() const { return startWeight_; }
  std::int64_t evaluations() const { return evaluations_; }

 private:
  // Of two positions, the lighter bridge; of two equally light, the lighter
  // stand-in, which has more to spare.
  bool Better(double weight, double smooth) const {
    return weight < bestWeight_ || (weight == bestWeight_ && smooth < bestSmooth_);
  }

  // A position near the best is judged as the file will hold it, rounded to
  // 0.01 cm, and kept when that is better than the best and the study would
  // find no mechanism there either (a motion quivor's pivot test lets
  // through, which no load of the model moves). The lightest positions lie
  // where a bar is about to need one strand more, so the rounded one may be
  // heavier, or lighter, than the position itself. Positions that cannot be
  // rounded (across a sloping deck) are judged as they are.
  //
  // Near the end of a local search most positions round to the grid point
  // the last one was judged at; that point is not judged again. Its analysis
  // and its mechanism search would come out as they did, and the best has
  // only grown lighter since, so it would not be kept now either. (The
  // analyses of rounded positions are not among those counted.)
  void Consider(double weight, double smooth) {
    if (weight > kNearBest * bestWeight_) return;
    Array2<double>& coordinates = trial_.coordinates();
    std::copy(coordinates.data(), coordinates.data() + coordinates.size(), saved_.data());
    const bool rounded = RoundPositions(layout_, coordinates);
    if (rounded && !SameBits(coordinates, judged_)) {
      std::copy(coordinates.data(), coordinates.data() + coordinates.size(), judged_.data());
      if (trial_.Run() && Admissible(layout_, trial_) &&
          Better(trial_.BuildWeight(), trial_.SmoothWeight()) && Stable(coordinates)) {
        Record(trial_.BuildWeight(), trial_.SmoothWeight(), coordinates);
      }
    }
    std::copy(saved_.data(), saved_.data() + saved_.size(), coordinates.data());
    if (!rounded && Better(weight, smooth) && Stable(saved_)) Record(weight, smooth, saved_);
  }

  bool Stable(const Array2<double>& coordinates) {
    std::copy(coordinates.data(), coordinates.data() + coordinates.size(), probe_.nodeCoord.data());
    const study::MechanismSearch search = study::FindMechanisms(probe_);
    return search.finite && search.mechanisms.empty();
  }

  void Record(double weight, double smooth, const Array2<double>& coordinates) {
    bestWeight_ = weight;
    bestSmooth_ = smooth;
    bestValues_ = values_;
    Keep(coordinates);
  }

  void Keep(const Array2<double>& coordinates) {
    for (int i = 1; i <= coordinates.rows(); ++i) {
      best_[Index(i - 1)] = {coordinates(i, 1), coordinates(i, 2)};
    }
  }

  void Report() const {
    if (options_.progress) options_.progress({start_, starts_, evaluations_, bestWeight_});
  }

  const Layout& layout_;
  TrialAnalysis& trial_;
  const SearchOptions& options_;
  Model probe_;                 // the model at a candidate position, for the mechanism search
  std::vector<double> values_;  // the unknowns of the last analysis, within their bounds
  Array2<double> saved_;        // the position being considered, while its rounding is judged
  Array2<double> judged_;       // the last rounded position judged; NaN before the first
  std::vector<std::pair<double, double>> best_;
  std::vector<double> bestValues_;
  double bestWeight_ = 0.0;
  double bestSmooth_ = 0.0;
  double startWeight_ = 0.0;
  double penalty_ = 0.0;
  std::int64_t evaluations_ = 0;
  int start_ = 0;
  int starts_ = 0;
};

// The starting point of local search `k` (from 0): the model as given;
// every node at the height limit; a parabola over the span; then the best
// so far with each unknown moved at random, by up to a fifth of its scale
// at first and a fortieth at the last (a shift in (-amplitude/2,
// amplitude/2) times the scale).
std::vector<double> StartingPoint(const Layout& layout, int k, int starts,
                                  const std::vector<double>& best, Random& random) {
  std::vector<double> x;
  for (const Variable& v : layout.variables) x.push_back(v.start);
  if (k == 0) return x;
  if (k <= 2) {
    for (const MovingNode& node : layout.moving) {
      if (node.mirrored) continue;
      const Variable& v = layout.variables[Index(node.across)];
      const double s = node.s0 / layout.deck.span;
      const double share = k == 1 ? 1.0 : 4.0 * s * (1.0 - s);
      x[Index(node.across)] = std::clamp(share * v.upper, v.lower, v.upper);
    }
    return x;
  }
  const double progress = static_cast<double>(k - 3) / std::max(starts - 4, 1);
  const double amplitude = 0.4 + (0.05 - 0.4) * progress;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const Variable& v = layout.variables[i];
    const double shift = (random.Uniform() - 0.5) * amplitude * v.scale;
    x[i] = std::clamp(best[i] + shift, v.lower, v.upper);
  }
  return x;
}

bool Read(std::string_view text, Model& model) {
  InputUnit unit(kModelUnit, text);
  return ReadModelFile(unit, model).ok();
}

}  // namespace

Shape SearchShape(const Model& model, const SearchOptions& options) {
  Shape shape;
  shape.layout = MakeLayout(model, options.rules);
  shape.error = shape.layout.error;
  for (int i = 1; i <= model.nodeCount; ++i) {
    shape.coordinates.emplace_back(model.nodeCoord(i, 1), model.nodeCoord(i, 2));
  }
  if (!shape.error.empty()) return shape;

  TrialAnalysis trial(model);
  Search search(model, shape.layout, trial, options);
  if (!search.Begin()) {
    shape.error = "o quivor não analisa a treliça como ela está (matriz singular)";
    return shape;
  }
  shape.startWeight = shape.weight = search.startWeight();
  const auto unknowns = static_cast<std::int64_t>(shape.layout.variables.size());
  if (unknowns == 0) return shape;

  // Each local search gets its share of the work, up to so many analyses
  // per unknown; on a truss too large for that share to build Sbplx's
  // first simplex the search stops there, and the model stays as it is.
  const int starts = std::max(options.starts, 1);
  const double band = trial.halfBandwidth();
  const double equations = 2.0 * model.nodeCount;
  const double work = model.barCount + equations * band / 9.0 +
                      equations * band * (band + std::max<int>(model.loadCaseCount, 0)) / 5000.0;
  const double share = std::max(options.work / starts / std::max(work, 1.0), 1.0);
  // (A limit of 0 would mean none to NLopt.)
  const std::int64_t analyses =
      std::max<std::int64_t>(std::min(static_cast<std::int64_t>(std::min(share, 1e9)),
                                      options.analysesPerUnknown * unknowns),
                             1);
  search.set_starts(starts);
  Random random;
  for (int k = 0; k < starts; ++k) {
    search.LocalSearch(StartingPoint(shape.layout, k, starts, search.bestValues(), random), k + 1,
                       analyses, k < kAcrossOnly);
  }
  shape.weight = search.bestWeight();
  shape.coordinates = search.best();
  shape.evaluations = search.evaluations();
  return shape;
}

Optimization OptimizeModelText(std::string_view text, const SearchOptions& options,
                               const study::StudyOptions& studyOptions) {
  Optimization result;
  Model model;
  if (!Read(text, model)) {
    result.error = "o modelo não pôde ser lido";
    return result;
  }
  // The study changes the model it studies; the search takes it as read.
  result.start = CopyOf(model);
  result.before = study::StudyModel(result.start, studyOptions);
  if (!result.before.stable) {
    result.error = "a treliça é um mecanismo";
    return result;
  }

  // The search lightens each truss; its progress tells the whole bridge's
  // weight, which goes with it.
  SearchOptions search = options;
  if (options.progress) {
    const int nodes = model.nodeCount;
    search.progress = [&options, &studyOptions, nodes](const Progress& progress) {
      Progress bridge = progress;
      bridge.weight = study::WeighBridge(progress.weight, nodes, studyOptions).total;
      options.progress(bridge);
    };
  }
  const Shape shape = SearchShape(model, search);
  result.layout = shape.layout;
  result.evaluations = shape.evaluations;
  if (!shape.error.empty()) {
    result.error = shape.error;
    return result;
  }

  // The shape found, as the file will hold it, read back and studied as the
  // user will study it: kept only when the study finds it lighter.
  if (shape.weight < shape.startWeight) {
    std::string candidate = WithCoordinates(text, model, shape.coordinates);
    Model written;
    bool same = Read(candidate, written) && written.nodeCount == model.nodeCount;
    for (int i = 1; same && i <= model.nodeCount; ++i) {
      same = written.nodeCoord(i, 1) == shape.coordinates[Index(i - 1)].first &&
             written.nodeCoord(i, 2) == shape.coordinates[Index(i - 1)].second;
    }
    if (same) {
      // A shape whose bridge cannot be counted is not kept.
      std::optional<study::Study> after;
      try {
        after = study::StudyModel(written, studyOptions);
      } catch (const study::CountOverflow&) {
      }
      if (after && after->stable && after->build &&
          after->build->weight < result.before.build->weight) {
        result.text = std::move(candidate);
        result.model = std::move(written);
        result.after = std::move(*after);
        result.improved = true;
      }
    }
  }
  if (!result.improved) {
    result.text = text;
    result.model = CopyOf(model);
    result.after = study::StudyModel(result.model, studyOptions);
  }
  for (int i = 1; i <= model.nodeCount; ++i) {
    const double x = result.model.nodeCoord(i, 1);
    const double y = result.model.nodeCoord(i, 2);
    if (x != model.nodeCoord(i, 1) || y != model.nodeCoord(i, 2)) {
      result.moves.push_back(
          {model.nodeLabel(i), model.nodeCoord(i, 1), model.nodeCoord(i, 2), x, y});
    }
  }
  return result;
}

}  // namespace quivor::optimize
