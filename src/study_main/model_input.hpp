// The model file of a study: found by the name the user gave, read whole,
// and read by quivor's own reader and checks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::study {

// The file of a model name: blanks around it dropped, ".txt" added unless
// the name already ends with it.
std::string ModelFileName(std::string_view name);

// The name without its ".txt", for the files written beside it.
std::string ModelStem(const std::string& fileName);

struct ModelInput {
  Model model;
  // Empty when the model was read; otherwise one line (UTF-8, no line end)
  // that names the file, the line and the value where it went wrong.
  std::string error;
  std::int64_t errorLine = 0;  // the line of the file where it went wrong; 0 if none
  // Each record whose line goes on, past the values the reader took, with
  // more that looks like a number (a decimal comma, most often), up to where
  // the reading stopped: they may explain an error. The model stays as the
  // reader read it.
  std::vector<FileWarning> warnings{};
};

ModelInput LoadModel(const std::string& fileName);

// A file's bytes, or empty with the one-line reason in `error`.
struct FileText {
  std::string text;
  std::string error;
};
FileText ReadWholeFile(const std::string& fileName);

// For tests: the same from text in memory; `fileName` only names it.
ModelInput ReadModelText(const std::string& fileName, std::string_view text);

}  // namespace quivor::study
