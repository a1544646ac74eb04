// A model text read and analysed as the program does, in memory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"

namespace quivor::test {

struct ModelRun {
  Model model;
  Results results;
};

// The run of `text`; fails the test when the reader refuses it or the
// stiffness matrix is singular.
inline std::unique_ptr<ModelRun> ReadAndAnalyse(std::string_view text) {
  auto run = std::make_unique<ModelRun>();
  InputUnit unit(kModelUnit, text);
  const ModelStatus read = ReadModelFile(unit, run->model);
  EXPECT_TRUE(read.ok()) << (read.rejection ? RejectionText(*read.rejection) : "read failure");
  if (!read.ok()) return nullptr;
  const AnalysisStatus analysed = AnalyseModel(run->model, run->results);
  EXPECT_FALSE(analysed.failure.failed() || analysed.singular);
  if (analysed.failure.failed() || analysed.singular) return nullptr;
  return run;
}

}  // namespace quivor::test
