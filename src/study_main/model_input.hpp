// The model file of a study: found by the name the user gave, read whole,
// and read by quivor's own reader and checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::study {

// The file of a model name as it was typed: blanks around it and a pair of
// quotes around it dropped (double: a path pasted by dragging the file onto
// the console; single: as quivor wants a name with blanks), ".txt" added
// unless the name already ends with it in any letter case. Empty for a
// blank name.
std::string ModelFileName(std::string_view name);

// The name without its ".txt" (any letter case), for the files written
// beside it.
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

// The largest model file read, in bytes: far above what the reader's limits
// let a model hold (1000 nodes, 32767 bars, and load cases of 1000 loaded
// nodes, every value with 17 digits, take a few MB); a larger file, or one
// that is not a regular file (a folder, a FIFO, a device), is refused at
// once.
inline constexpr std::size_t kLargestModelFile = std::size_t{64} << 20;

// The model a shape written by otimizar came from, and its study: for
// NAME-otimizado (`stem`), NAME.txt beside it, while it is there, can be
// used, is still the same truss as `model` (the same nodes and bars, the
// coordinates aside) and is stable. Nothing otherwise.
struct ShapeBefore {
  Model model;
  Study study;
};
std::optional<ShapeBefore> ShapeBeforeOptimizing(const std::string& stem, const Model& model,
                                                 const StudyOptions& options);

// The text with every line end as CR LF (a line end already CR LF kept).
std::string WithCrLf(std::string_view text);
// The text of a new model with the system's own line ends: CR LF on
// Windows, as Notepad writes them; as it is elsewhere.
std::string WithSystemLineEnds(std::string_view text);

// A file's bytes, or empty with the one-line reason in `error`.
struct FileText {
  std::string text;
  std::string error;
};
FileText ReadWholeFile(const std::string& fileName);

// For tests: the same from text in memory; `fileName` only names it.
ModelInput ReadModelText(const std::string& fileName, std::string_view text);

}  // namespace quivor::study
