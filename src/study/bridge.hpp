// The whole bridge a team builds from the model's truss: several identical
// trusses side by side, joined by cross members and a deck, the load hung
// from a bar across the middle so that each truss carries an equal share.
// The contest weighs the whole bridge with its glue and loads it whole, so
// its weight and its collapse load are the ones set against the limit and
// ranked.
//
// Units: g, kgf.
#pragma once

#include <cstdint>
#include <optional>

#include "study/study.hpp"

namespace quivor::study {

// The trusses a bridge may have, both taken.
inline constexpr int kFewestTrusses = 1;
inline constexpr int kMostTrusses = 100;

// The parts of a bridge's weight, as the weight adds them.
struct BridgeWeight {
  double trusses = 0.0;  // g: the trusses, each as the model's bridge to build
  double glue = 0.0;     // g: the glue at every node of every truss
  double extra = 0.0;    // g: cross members, deck, bracing
  double total = 0.0;    // g: trusses + glue + extra, in that order
};

// The weight of a bridge of `options.trusses` trusses of `trussWeight` g,
// each with `nodes` nodes.
BridgeWeight WeighBridge(double trussWeight, int nodes, const StudyOptions& options);

// The bridge of a stable truss's study (one with a bridge to build): its
// weight against the study's limit, its collapse load and efficiency from
// the truss's collapse, and the whole strands that yield the pieces of all
// its trusses, cut together. Throws CountOverflow as CountWholeStrands does.
Bridge MakeBridge(const Study& study, const StudyOptions& options);

}  // namespace quivor::study
