// The analysis and sizing of a model that has been read: each result array
// allocated just before the routine that fills it, each routine called once.
#pragma once

#include "model/model.hpp"
#include "platform/failure.hpp"

namespace quivor {

struct AnalysisStatus {
  Failure failure;        // an array could not be allocated (41)
  bool singular = false;  // the stiffness matrix is singular; no results
};

// Fills `results` from `model`. Raises a safety coefficient below 1.0 to 1.0
// in `model`, and sets the restrained rows of its load matrix to zero.
AnalysisStatus AnalyseModel(Model& model, Results& results);

}  // namespace quivor
