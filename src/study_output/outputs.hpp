// The ways a study is shown: the console text, the JSON document and the
// CSV table. Each only formats what the study core returned.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "study/ranking.hpp"
#include "study/study.hpp"

namespace quivor::study {

// The console text, in Brazilian Portuguese with decimal commas (UTF-8,
// LF line ends). `modelFile` names the model file, as shown to the user;
// the warnings about the file come first among the study's.
std::string ConsoleReport(const std::string& modelFile, const Study& study,
                          std::span<const FileWarning> fileWarnings = {});

// One JSON document (UTF-8, no trailing line end): keys and values as the
// command's documentation gives them; numbers as shortest round-trip
// decimals, and null where a value is undefined. The warnings about the
// file come first in "warnings", each with its line.
std::string JsonDocument(const std::string& modelName, const Study& study,
                         std::span<const FileWarning> fileWarnings = {});

// The bridge to build for a spreadsheet set to Brazilian Portuguese: UTF-8
// with a byte-order mark, semicolons, decimal commas, CR LF. One row per
// bar (in each truss and in the whole bridge), then the figures of each
// truss and of the bridge. Empty for a mechanism, which has no bridge to
// build.
std::string CsvTable(const Study& study);

// A ranking, best first, one row per model, the errors of the models that
// could not be used and the warnings about the files; `folder` as shown to
// the user.
std::string RankingReport(const std::string& folder, const std::vector<RankedModel>& models,
                          const StudyOptions& options);
// The same as a CSV table (as CsvTable writes it).
std::string RankingCsv(const std::vector<RankedModel>& models);

}  // namespace quivor::study
