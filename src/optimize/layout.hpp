// The rules of a shape search: which nodes of a truss may move, in which
// directions, how far, and which of them move together.
//
// Everything is measured in the deck's frame: the deck is the straight line
// through the two outermost supported nodes (the two held nodes farthest
// apart), s the distance along it from the left one towards the right one,
// d the distance across it (positive on the left of that direction: up, for
// a level deck). For a level deck s and d are x and y shifted; for a deck
// that is not level, "vertical" means across the deck.
//
// Units: cm. Node numbers are internal indices (file order, from 1).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/arrays.hpp"
#include "model/model.hpp"

namespace quivor::optimize {

class TrialAnalysis;

struct ShapeRules {
  // How far a moving node may go from the deck; empty: as far as the
  // farthest node of the model as given.
  std::optional<double> heightLimit;
  double shortestBar = 1.0;  // no bar that can change may end shorter
  bool alongDeck = false;    // nodes also move along the deck (within the span)
  bool keepSymmetry = true;  // a symmetric model stays symmetric
};

struct Deck {
  double x0 = 0.0;  // the left one of the outermost supported nodes
  double y0 = 0.0;
  double tx = 1.0;  // unit vector from left to right
  double ty = 0.0;
  double span = 0.0;

  double Along(double x, double y) const { return (x - x0) * tx + (y - y0) * ty; }
  double Across(double x, double y) const { return (y - y0) * tx - (x - x0) * ty; }
};

// One unknown of the search: a distance in the deck frame, cm.
struct Variable {
  double lower;
  double upper;
  double start;  // where the model as given puts it, within the bounds
  // The size of a move worth trying: the range across the deck; along it,
  // no more than the span shared among the moving nodes (a panel, about),
  // beyond which nodes pass one another.
  double scale;
};

struct MovingNode {
  int node;
  // Its distance from the deck is `side` times variable `across`.
  int across;
  double side;  // +1 or -1: the side of the deck it starts on and stays on
  // Its distance along the deck is variable `along` (span minus it when
  // `mirrored`); -1: it keeps its own.
  int along = -1;
  bool mirrored = false;
  int leader = -1;  // for a mirrored node, the place in `moving` of the node it mirrors
  double x0;        // where it starts
  double y0;
  double s0;
  double d0;
};

struct Layout {
  // Why no search can be made (Portuguese, for the user); empty otherwise.
  std::string error;
  Deck deck;
  double heightLimit = 0.0;
  bool symmetricModel = false;     // the model is its own mirror image
  bool symmetric = false;          // mirrored nodes move together
  std::vector<MovingNode> moving;  // the leading nodes first, then the mirrored ones
  std::vector<Variable> variables;
  // The bars with a moving end that the bounds do not keep long enough
  // (from 1), and the least length each may have: the shortest bar allowed,
  // or its own length when it starts shorter.
  std::vector<int> bars;
  std::vector<double> shortestLength;
};

// The rules for `model` as the reader left it.
Layout MakeLayout(const Model& model, const ShapeRules& rules);

// Puts the moving nodes where `values` (one per variable) say; the other
// nodes keep what `coordinates` holds.
void PlaceNodes(const Layout& layout, const double* values, Array2<double>& coordinates);

// Rounds the moving nodes' coordinates to 0.01 cm (to a neighbouring grid
// point where the nearest would leave a bound), a mirrored node as the
// mirror image of its leader's rounded position. False when no such
// position keeps the bounds, or when a node would move along a sloping deck
// it may only move across; the coordinates are then partly rounded.
bool RoundPositions(const Layout& layout, Array2<double>& coordinates);

// Whether no bar at the trial's coordinates is shorter than it may be (the
// bounds are kept by PlaceNodes and RoundPositions).
bool Admissible(const Layout& layout, const TrialAnalysis& trial);

}  // namespace quivor::optimize
