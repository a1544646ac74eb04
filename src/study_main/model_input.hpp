// The model file of a study: found by the name the user gave, read whole,
// and read by quivor's own reader and checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/model.hpp"

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
};

ModelInput LoadModel(const std::string& fileName);

// The largest model file read, in bytes: far above what the reader's limits
// let a model hold (1000 nodes, 32767 bars, and load cases of 1000 loaded
// nodes, every value with 17 digits, take a few MB); a larger file, or one
// that is not a regular file (a folder, a FIFO, a device), is refused at
// once.
inline constexpr std::size_t kLargestModelFile = std::size_t{64} << 20;

// A file's bytes, or empty with the one-line reason in `error`.
struct FileText {
  std::string text;
  std::string error;
};
FileText ReadWholeFile(const std::string& fileName);

// For tests: the same from text in memory; `fileName` only names it.
ModelInput ReadModelText(const std::string& fileName, std::string_view text);

}  // namespace quivor::study
