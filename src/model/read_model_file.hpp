// Reading the model data file into the model arrays.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "platform/failure.hpp"

namespace quivor {

// The model's own rules, each checked as soon as its value has been read.
enum class RejectionKind {
  kNoNodes,             // value: the number of nodes, below 1
  kLabelOutOfRange,     // value: a node label outside 1..kMaxNodeLabel
  kLabelRepeated,       // value: a node label given to an earlier node too
  kBarUnknownNode,      // owner: the bar label; value: the end node label
  kBarSameNode,         // owner: the bar label; value: the node at both ends
  kBarZeroLength,       // owner: the bar label; value, other: its end nodes
  kSupportUnknownNode,  // owner: the support's number; value: the node label
  kLoadUnknownNode,     // owner: the load case's number; value: the node label
};

// What a rejected model breaks, and the line of the file where it stands.
struct ModelRejection {
  RejectionKind kind;
  std::int64_t line;
  int value = 0;
  int owner = 0;
  int other = 0;
};

// The one-line message of a rejection, without CR LF.
std::string RejectionText(const ModelRejection& rejection);

// A failed read or allocation (fatal report), or a model rejected by one of
// its checks.
struct ModelStatus {
  Failure failure;
  std::optional<ModelRejection> rejection;

  [[nodiscard]] bool ok() const { return !failure.failed() && !rejection; }
};

// Reads the whole model from `unit` (the model file, unit 1) into `model`,
// allocating each array as its count becomes known and building the label
// map. Stops at the first failure or rejection.
ModelStatus ReadModelFile(InputUnit& unit, Model& model);

}  // namespace quivor
