// A classroom ranking: the models of a folder, one per team, in the order of
// the contest's score.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "study/study.hpp"

namespace quivor::study {

struct RankedModel {
  std::string name;            // the model's name, its file without ".txt"
  std::optional<Study> study;  // empty when the model could not be used
  std::string error;           // then why, in one line
  std::int64_t errorLine = 0;  // the line of the file where it went wrong; 0 if none
  // The warnings about the model's file.
  std::vector<FileWarning> warnings{};
};

// Best first, by the whole bridges' figures: the bridges within the weight
// limit by efficiency, highest first; then those over it, by efficiency too; then the stable
// trusses without a collapse estimate, then the mechanisms, then the models that could not be used;
// equals by name.
void RankModels(std::vector<RankedModel>& models);

}  // namespace quivor::study
