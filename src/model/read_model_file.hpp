// Reading the model data file into the model arrays.
#pragma once

#include <string>

#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "platform/failure.hpp"

namespace quivor {

// A failed read or allocation (fatal report), or a model rejected by one of
// its checks: then `rejection` holds the one-line message, without CR LF.
struct ModelStatus {
  Failure failure;
  std::string rejection;

  [[nodiscard]] bool ok() const { return !failure.failed() && rejection.empty(); }
};

// Reads the whole model from `unit` (the model file, unit 1) into `model`,
// allocating each array as its count becomes known and building the label
// map. Stops at the first failure or rejection.
ModelStatus ReadModelFile(InputUnit& unit, Model& model);

}  // namespace quivor
