// The console side of a run: banner, prompt, the model name, the closing
// notice and the final wait for Enter.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/free_form_read.hpp"
#include "platform/failure.hpp"
#include "report/record_writer.hpp"

namespace quivor {

inline constexpr std::size_t kModelNameLength = 50;

// The typed model name: 50 characters, right-justified once read (its
// trailing blanks moved to the front).
using ModelName = std::array<char, kModelNameLength>;

void WriteBanner(TextOutputUnit& console);
void WritePrompt(TextOutputUnit& console);

// Reads the name (quoted or not) into modelName and right-justifies it.
Failure ReadModelName(InputUnit& keyboard, ModelName& modelName);

// The name as handed to the file system: no blanks around it, then the
// extension (".txt" or ".rtf").
std::string FileName(const ModelName& modelName, std::string_view extension);
// The name left-justified in 50 characters, as the notice and the report show it.
std::string DisplayedName(const ModelName& modelName);

void WriteClosingNotice(TextOutputUnit& console, std::string_view displayedName);

// Waits for a line from the console; fails with 24 when the input has ended.
Failure WaitForEnter(InputUnit& keyboard);

}  // namespace quivor
