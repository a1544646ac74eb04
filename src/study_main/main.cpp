// quivor-study: the study of a spaghetti truss bridge for a contest.
//
// One pass: the command line, the model (named on it, or typed at the
// console when the program was started without one), the study, then what
// it shows: the console text or the JSON document, and the CSV table.
#include <new>
#include <string>

#include "platform/platform.hpp"
#include "platform/terminal.hpp"
#include "study/study.hpp"
#include "study_main/model_input.hpp"
#include "study_main/options.hpp"
#include "study_output/outputs.hpp"

namespace quivor::study {
namespace {

// One line typed at the console, without its line end; empty at the end of
// the input.
std::string ReadTypedLine() {
  std::string line;
  char c = 0;
  while (true) {
    const platform::ReadResult got = platform::ReadConsole(&c, 1);
    if (got.failure.failed() || got.count == 0 || c == '\n') break;
    if (c != '\r') line += c;
  }
  return line;
}

// Started with no model named (a double-click), the console window stays
// until Enter, so that what was shown can be read.
int End(int status, bool typedName) {
  if (typedName) {
    terminal::WriteOut("\nTecle Enter para fechar.\n");
    ReadTypedLine();
  }
  return status;
}

bool WriteFile(const std::string& name, const std::string& bytes) {
  const platform::OpenResult file = platform::CreateForWriting(name, kResultsUnit);
  if (file.failure.failed()) return false;
  const bool written =
      !platform::WriteBytes(file.file, bytes.data(), bytes.size(), kResultsUnit).failed();
  platform::CloseFile(file.file);
  return written;
}

int Run(int argc, const char* const* argv) {
  // 1. The command line.
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  terminal::WriteOut(parsed.out);
  terminal::WriteErr(parsed.err);
  if (!parsed.run) return parsed.status;
  const CommandLine& line = *parsed.run;

  // 2. The model's name: given, or typed.
  const bool typedName = line.model.empty();
  std::string name = line.model;
  if (typedName) {
    terminal::WriteOut(
        "quivor-study: estudo de uma ponte treliçada de espaguete.\n"
        "Digite o nome do modelo (o arquivo NOME.txt nesta pasta): ");
    name = ReadTypedLine();
  }
  const std::string fileName = ModelFileName(name);
  if (fileName.empty()) {
    terminal::WriteErr("quivor-study: nenhum modelo foi indicado (veja quivor-study --help)\n");
    return End(kStatusUsage, typedName);
  }

  // 3. The model, read and checked as quivor reads it.
  ModelInput input = LoadModel(fileName);
  if (!input.error.empty()) {
    terminal::WriteErr("quivor-study: " + input.error + "\n");
    return End(kStatusModelFile, typedName);
  }

  // 4. The study.
  Study study;
  try {
    study = StudyModel(input.model, line.options);
  } catch (const std::bad_alloc&) {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(fileName) +
                       ": memória insuficiente para estudar o modelo\n");
    return End(kStatusModelFile, typedName);
  }
  const int status = study.stable ? kStatusStudied : kStatusMechanism;

  // 5. What it shows.
  const std::string stem = ModelStem(fileName);
  if (line.json) {
    terminal::WriteOut(JsonDocument(terminal::NameInUtf8(stem), study) + "\n");
  } else {
    terminal::WriteOut(ConsoleReport(terminal::NameInUtf8(fileName), study));
  }
  if (line.csv) {
    const std::string csvName = stem + ".csv";
    const std::string shownCsv = terminal::NameInUtf8(csvName);
    if (!study.build) {
      if (!line.json)
        terminal::WriteOut("\nSem " + shownCsv + ": um mecanismo não tem ponte a construir.\n");
    } else if (!WriteFile(csvName, CsvTable(study))) {
      terminal::WriteErr("quivor-study: " + shownCsv + ": não foi possível escrever o arquivo\n");
      return End(kStatusOutputFile, typedName);
    } else if (!line.json) {
      terminal::WriteOut("\nTabela da ponte a construir: " + shownCsv + ".\n");
    }
  }
  return End(status, typedName);
}

}  // namespace
}  // namespace quivor::study

int main(int argc, char** argv) { return quivor::study::Run(argc, argv); }
