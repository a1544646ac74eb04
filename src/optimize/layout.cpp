// The deck, the roles of the nodes, the mirror image and the unknowns.
#include "optimize/layout.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/bar_geometry.hpp"
#include "optimize/trial_analysis.hpp"
#include "study/stages.hpp"

namespace quivor::optimize {
namespace {

std::size_t At(int node) { return static_cast<std::size_t>(node - 1); }  // nodes count from 1
std::size_t Index(int i) { return static_cast<std::size_t>(i); }         // the rest from 0

// Positions closer than this fraction of the span are the same position;
// model files give coordinates to a few decimals.
constexpr double kSamePlace = 1e-6;
// A moving node keeps at least this distance from the deck (cm), or half
// the height limit when that is less.
constexpr double kLeastHeight = 0.01;
// Positions are rounded to 0.01 cm.
constexpr double kPerCm = 100.0;
// The slack allowed on a bound by the rounding of the frame's arithmetic (a
// fraction of the span).
constexpr double kBoundSlack = 1e-9;

using study::HeldDirections;

// The two held nodes farthest apart (the first such pair in file order),
// left to right; empty when there are no two held nodes apart.
std::optional<Deck> FindDeck(const Model& model, const std::vector<HeldDirections>& held) {
  double farthest = 0.0;
  std::pair<int, int> ends{0, 0};
  for (int i = 1; i <= model.nodeCount; ++i) {
    if (!held[At(i)].x && !held[At(i)].y) continue;
    for (int j = i + 1; j <= model.nodeCount; ++j) {
      if (!held[At(j)].x && !held[At(j)].y) continue;
      // sqrt and the four operations only: the same bits from every C
      // library, so that both programs find the same shapes.
      const double dx = model.nodeCoord(j, 1) - model.nodeCoord(i, 1);
      const double dy = model.nodeCoord(j, 2) - model.nodeCoord(i, 2);
      const double distance = std::sqrt(dx * dx + dy * dy);
      if (distance > farthest) {
        farthest = distance;
        ends = {i, j};
      }
    }
  }
  if (!(farthest > 0.0) || !std::isfinite(farthest)) return std::nullopt;
  auto [left, right] = ends;
  const auto point = [&model](int n) {
    return std::pair(model.nodeCoord(n, 1), model.nodeCoord(n, 2));
  };
  if (point(right) < point(left)) std::swap(left, right);
  Deck deck;
  deck.x0 = model.nodeCoord(left, 1);
  deck.y0 = model.nodeCoord(left, 2);
  deck.span = farthest;
  deck.tx = (model.nodeCoord(right, 1) - deck.x0) / farthest;
  deck.ty = (model.nodeCoord(right, 2) - deck.y0) / farthest;
  return deck;
}

// The mirror image of a point about the line across the deck at mid-span.
std::pair<double, double> Mirror(const Deck& deck, double x, double y) {
  const double a = deck.Along(x, y) - 0.5 * deck.span;
  return {x - 2.0 * a * deck.tx, y - 2.0 * a * deck.ty};
}

// For each node, the node at its mirror image; empty when some node has
// none, or when bars, supports or loads are not mirrored too. A pinned
// support mirrors one on a roller: only the direction across the deck of a
// level bridge (y) must be held alike.
std::vector<int> MirrorImages(const Model& model, const Deck& deck,
                              const std::vector<HeldDirections>& held) {
  const double tolerance = kSamePlace * deck.span;
  const int nodes = model.nodeCount;
  std::vector<int> mirror(At(nodes + 1), 0);
  for (int i = 1; i <= nodes; ++i) {
    const auto [x, y] = Mirror(deck, model.nodeCoord(i, 1), model.nodeCoord(i, 2));
    for (int j = 1; j <= nodes && mirror[At(i)] == 0; ++j) {
      if (std::abs(model.nodeCoord(j, 1) - x) <= tolerance &&
          std::abs(model.nodeCoord(j, 2) - y) <= tolerance) {
        mirror[At(i)] = j;
      }
    }
    if (mirror[At(i)] == 0) return {};
  }
  for (int i = 1; i <= nodes; ++i) {
    if (mirror[At(mirror[At(i)])] != i) return {};
  }

  // The bars as sorted pairs of nodes, and their images.
  std::vector<std::pair<int, int>> bars;
  std::vector<std::pair<int, int>> images;
  for (int b = 1; b <= model.barCount; ++b) {
    const int start = model.nodeIndexOfLabel(model.barNodes(b, 1));
    const int end = model.nodeIndexOfLabel(model.barNodes(b, 2));
    bars.push_back(std::minmax(start, end));
    images.push_back(std::minmax(mirror[At(start)], mirror[At(end)]));
  }
  std::sort(bars.begin(), bars.end());
  std::sort(images.begin(), images.end());
  if (bars != images) return {};

  for (int i = 1; i <= nodes; ++i) {
    const HeldDirections& a = held[At(i)];
    const HeldDirections& b = held[At(mirror[At(i)])];
    if ((a.x || a.y) != (b.x || b.y) || a.y != b.y) return {};
  }

  // Each load case's mirror image is a load case of the model.
  double largest = 0.0;
  for (std::size_t k = 0; k < model.loadMatrix.size(); ++k) {
    largest = std::max(largest, std::abs(model.loadMatrix.data()[k]));
  }
  const double forceTolerance = 1e-9 * largest;
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    bool found = false;
    for (int m = 1; m <= model.loadCaseCount && !found; ++m) {
      found = true;
      for (int i = 1; i <= nodes && found; ++i) {
        const double fx = model.loadMatrix(2 * i - 1, k);
        const double fy = model.loadMatrix(2 * i, k);
        // A force is mirrored by turning its component along the deck.
        const double along = fx * deck.tx + fy * deck.ty;
        const int j = mirror[At(i)];
        found =
            std::abs(model.loadMatrix(2 * j - 1, m) - (fx - 2.0 * along * deck.tx)) <=
                forceTolerance &&
            std::abs(model.loadMatrix(2 * j, m) - (fy - 2.0 * along * deck.ty)) <= forceTolerance;
      }
    }
    if (!found) return {};
  }
  return mirror;
}

bool Loaded(const Model& model, int node) {
  for (int k = 1; k <= model.loadCaseCount; ++k) {
    if (model.loadMatrix(2 * node - 1, k) != 0.0 || model.loadMatrix(2 * node, k) != 0.0) {
      return true;
    }
  }
  return false;
}

}  // namespace

Layout MakeLayout(const Model& model, const ShapeRules& rules) {
  Layout layout;
  const std::vector<HeldDirections> held = study::HeldByNode(model);
  const std::optional<Deck> deck = FindDeck(model, held);
  if (!deck) {
    layout.error =
        "o modelo precisa de dois nós apoiados em pontos diferentes, que definem o tabuleiro";
    return layout;
  }
  layout.deck = *deck;
  const double onDeck = kSamePlace * deck->span;

  double farthest = 0.0;
  for (int i = 1; i <= model.nodeCount; ++i) {
    farthest =
        std::max(farthest, std::abs(deck->Across(model.nodeCoord(i, 1), model.nodeCoord(i, 2))));
  }
  layout.heightLimit = rules.heightLimit.value_or(farthest);
  if (!std::isfinite(layout.heightLimit) || !std::isfinite(farthest)) {
    layout.error = "as coordenadas do modelo são grandes demais para mover os nós";
    return layout;
  }

  // The nodes that move: those named in no support, with no load, off the
  // deck.
  std::vector<bool> moves(At(model.nodeCount + 1), false);
  for (int i = 1; i <= model.nodeCount; ++i) {
    const double d = deck->Across(model.nodeCoord(i, 1), model.nodeCoord(i, 2));
    moves[At(i)] = !held[At(i)].supported && !Loaded(model, i) && !(std::abs(d) <= onDeck);
  }

  std::vector<int> mirror = MirrorImages(model, *deck, held);
  // Mirrored nodes must both stay or both move (a load of a few parts in a
  // billion is a load, yet matches no load at the mirror image).
  for (int i = 1; i <= model.nodeCount && !mirror.empty(); ++i) {
    if (moves[At(i)] != moves[At(mirror[At(i)])]) mirror.clear();
  }
  layout.symmetricModel = !mirror.empty();
  layout.symmetric = layout.symmetricModel && rules.keepSymmetry;

  // The unknowns: for each moving node (each pair of mirrored ones when the
  // symmetry is kept, the one nearer the left support leading), its
  // distance from the deck, and with alongDeck its distance along it, within
  // the span (within its half of the span for a mirrored pair; a node on the
  // mirror line stays on it). Leading nodes are listed first.
  const double least = std::min(kLeastHeight, 0.5 * layout.heightLimit);
  const auto movingNodes = static_cast<int>(std::count(moves.begin(), moves.end(), true));
  const double panel = deck->span / std::max(movingNodes, 1);
  const auto add = [&layout](double lower, double upper, double start, double scale) {
    layout.variables.push_back(
        {lower, upper, std::clamp(start, lower, upper), std::min(scale, upper - lower)});
    return static_cast<int>(layout.variables.size()) - 1;
  };
  const auto startOf = [&model, &deck](int i) {
    MovingNode node{};
    node.node = i;
    node.x0 = model.nodeCoord(i, 1);
    node.y0 = model.nodeCoord(i, 2);
    node.s0 = deck->Along(node.x0, node.y0);
    node.d0 = deck->Across(node.x0, node.y0);
    node.side = node.d0 > 0.0 ? 1.0 : -1.0;
    return node;
  };
  const auto imageOf = [&](int i) { return layout.symmetric ? mirror[At(i)] : i; };
  const auto leads = [&](int i) {
    const int j = imageOf(i);
    const double si = deck->Along(model.nodeCoord(i, 1), model.nodeCoord(i, 2));
    const double sj = deck->Along(model.nodeCoord(j, 1), model.nodeCoord(j, 2));
    return i == j || si < sj || (si == sj && i < j);
  };
  std::vector<int> placeOf(At(model.nodeCount + 1), -1);  // a leading node's place in `moving`
  for (int i = 1; i <= model.nodeCount; ++i) {
    if (!moves[At(i)] || !leads(i)) continue;
    MovingNode node = startOf(i);
    node.across = add(least, layout.heightLimit, node.side * node.d0, layout.heightLimit);
    if (rules.alongDeck && imageOf(i) != i) {
      node.along = add(0.0, 0.5 * deck->span, node.s0, panel);
    } else if (rules.alongDeck && !layout.symmetric) {
      node.along = add(0.0, deck->span, node.s0, panel);
    }
    placeOf[At(i)] = static_cast<int>(layout.moving.size());
    layout.moving.push_back(node);
  }
  for (int i = 1; i <= model.nodeCount; ++i) {
    if (!moves[At(i)] || leads(i)) continue;
    MovingNode node = startOf(i);
    const int leader = placeOf[At(imageOf(i))];
    node.across = layout.moving[static_cast<std::size_t>(leader)].across;
    node.along = layout.moving[static_cast<std::size_t>(leader)].along;
    node.mirrored = true;
    node.leader = leader;
    layout.moving.push_back(node);
  }

  // Where each node may be, as a box in the deck frame: a bar whose ends'
  // boxes lie farther apart than its least length needs no constraint.
  struct Box {
    double s0, s1, d0, d1;
  };
  std::vector<Box> boxes;
  for (int i = 1; i <= model.nodeCount; ++i) {
    const double s = deck->Along(model.nodeCoord(i, 1), model.nodeCoord(i, 2));
    const double d = deck->Across(model.nodeCoord(i, 1), model.nodeCoord(i, 2));
    boxes.push_back({s, s, d, d});
  }
  for (const MovingNode& node : layout.moving) {
    Box& box = boxes[At(node.node)];
    const Variable& across = layout.variables[Index(node.across)];
    box.d0 = node.side > 0.0 ? across.lower : -across.upper;
    box.d1 = node.side > 0.0 ? across.upper : -across.lower;
    if (node.along >= 0) {
      const Variable& along = layout.variables[Index(node.along)];
      box.s0 = node.mirrored ? deck->span - along.upper : along.lower;
      box.s1 = node.mirrored ? deck->span - along.lower : along.upper;
    }
  }
  for (int b = 1; b <= model.barCount; ++b) {
    const int start = model.nodeIndexOfLabel(model.barNodes(b, 1));
    const int end = model.nodeIndexOfLabel(model.barNodes(b, 2));
    if (!moves[At(start)] && !moves[At(end)]) continue;
    // quivor's length, so that a bar that starts shorter passes its own test.
    const double length =
        GeometryOfBar(b, model.nodeIndexOfLabel, model.barNodes, model.nodeCoord).length;
    const double shortest = std::min(rules.shortestBar, length);
    const Box& a = boxes[At(start)];
    const Box& e = boxes[At(end)];
    const double gapS = std::max({0.0, a.s0 - e.s1, e.s0 - a.s1});
    const double gapD = std::max({0.0, a.d0 - e.d1, e.d0 - a.d1});
    if (std::sqrt(gapS * gapS + gapD * gapD) > shortest + kBoundSlack * deck->span) continue;
    layout.bars.push_back(b);
    layout.shortestLength.push_back(shortest);
  }
  return layout;
}

void PlaceNodes(const Layout& layout, const double* values, Array2<double>& coordinates) {
  const Deck& deck = layout.deck;
  for (const MovingNode& node : layout.moving) {
    // Shifts from where the node started, so that a coordinate the search
    // does not move keeps its value bit for bit.
    double ds = 0.0;
    if (node.along >= 0) {
      const double s = values[node.along];
      ds = (node.mirrored ? deck.span - s : s) - node.s0;
    }
    const double dd = node.side * values[node.across] - node.d0;
    coordinates(node.node, 1) = node.x0 + ds * deck.tx - dd * deck.ty;
    coordinates(node.node, 2) = node.y0 + ds * deck.ty + dd * deck.tx;
  }
}

bool RoundPositions(const Layout& layout, Array2<double>& coordinates) {
  const Deck& deck = layout.deck;
  const double slack = kBoundSlack * std::max(deck.span, layout.heightLimit);
  const auto inside = [&](const MovingNode& node, double x, double y) {
    const Variable& across = layout.variables[Index(node.across)];
    const double d = node.side * deck.Across(x, y);
    if (!(d >= across.lower - slack && d <= across.upper + slack)) return false;
    if (node.along < 0) return true;
    const Variable& along = layout.variables[Index(node.along)];
    const double s = deck.Along(x, y);
    const double own = node.mirrored ? deck.span - s : s;
    return own >= along.lower - slack && own <= along.upper + slack;
  };
  // The grid points tried, in order: the nearest, then the four around.
  enum Way { kNearest, kDown, kUp };
  constexpr std::pair<Way, Way> kTried[] = {
      {kNearest, kNearest}, {kDown, kDown}, {kDown, kUp}, {kUp, kDown}, {kUp, kUp}};
  // k / 100 rather than k * 0.01: the double nearest to the decimal, which
  // the shortest text then writes with two decimals.
  const auto grid = [](double v, Way way) {
    const double k = way == kNearest ? std::round(v * kPerCm)
                     : way == kDown  ? std::floor(v * kPerCm)
                                     : std::ceil(v * kPerCm);
    return k / kPerCm;
  };
  for (const MovingNode& node : layout.moving) {
    double x = coordinates(node.node, 1);
    double y = coordinates(node.node, 2);
    if (node.mirrored) {
      const int leader = layout.moving[Index(node.leader)].node;
      std::tie(x, y) = Mirror(deck, coordinates(leader, 1), coordinates(leader, 2));
    }
    // Both coordinates of a node that moves along the deck; for one that
    // moves only across it, the one across a level (or upright) deck.
    const bool roundX = node.along >= 0 || deck.tx == 0.0;
    const bool roundY = node.along >= 0 || deck.ty == 0.0;
    if (!roundX && !roundY) return false;
    bool found = false;
    for (const auto& [wayX, wayY] : kTried) {
      const double gx = roundX ? grid(x, wayX) : x;
      const double gy = roundY ? grid(y, roundX ? wayY : wayX) : y;
      if (inside(node, gx, gy)) {
        coordinates(node.node, 1) = gx;
        coordinates(node.node, 2) = gy;
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

bool Admissible(const Layout& layout, const TrialAnalysis& trial) {
  for (std::size_t k = 0; k < layout.bars.size(); ++k) {
    if (!(trial.BarLength(layout.bars[k]) >= layout.shortestLength[k])) return false;
  }
  return true;
}

}  // namespace quivor::optimize
