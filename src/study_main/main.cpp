// quivor-study: the study of a spaghetti truss bridge for a contest.
//
// One pass: the command line, the model (named on it, or typed at the
// console when the program was started without one), the study, then what
// it shows: the console text or the JSON document, the CSV table and the
// page. Watching a model repeats the pass each time the file is saved.
#include <new>
#include <string>

#include "page/page.hpp"
#include "platform/desktop.hpp"
#include "platform/platform.hpp"
#include "platform/terminal.hpp"
#include "study/study.hpp"
#include "study_main/model_input.hpp"
#include "study_main/options.hpp"
#include "study_output/outputs.hpp"

namespace quivor::study {
namespace {

// How often a watched model is looked at, ms.
constexpr int kWatchInterval = 500;

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

bool WriteFile(const std::string& name, const std::string& bytes) {
  const platform::OpenResult file = platform::CreateForWriting(name, kResultsUnit);
  if (file.failure.failed()) return false;
  const bool written =
      !platform::WriteBytes(file.file, bytes.data(), bytes.size(), kResultsUnit).failed();
  platform::CloseFile(file.file);
  return written;
}

// Tells that an output file was written (not in the JSON mode, which keeps
// standard output for the document alone), or that it could not be.
bool Written(const CommandLine& line, const std::string& name, const std::string& bytes,
             const std::string& what) {
  const std::string shown = terminal::NameInUtf8(name);
  if (!WriteFile(name, bytes)) {
    terminal::WriteErr("quivor-study: " + shown + ": não foi possível escrever o arquivo\n");
    return false;
  }
  if (!line.json) terminal::WriteOut(what + ": " + shown + ".\n");
  return true;
}

// Studies the model once and shows the results; the exit status.
int StudyOnce(const CommandLine& line, const std::string& fileName, bool openPage) {
  const std::string stem = ModelStem(fileName);
  const std::string pageName = stem + ".html";
  const page::PageOptions pageOptions{.reload = line.watch};

  // The model, read and checked as quivor reads it.
  ModelInput input = LoadModel(fileName);
  std::string error = input.error;
  Study study;
  if (error.empty()) {
    try {
      study = StudyModel(input.model, line.options);
    } catch (const std::bad_alloc&) {
      error = terminal::NameInUtf8(fileName) + ": memória insuficiente para estudar o modelo";
    }
  }
  if (!error.empty()) {
    terminal::WriteErr("quivor-study: " + error + "\n");
    // A page left open in a browser shows the error too.
    if (line.page && line.watch) {
      (void)WriteFile(pageName,
                      page::ErrorPageHtml(terminal::NameInUtf8(stem), error, pageOptions));
    }
    return kStatusModelFile;
  }

  // What it shows.
  if (line.json) {
    terminal::WriteOut(JsonDocument(terminal::NameInUtf8(stem), study) + "\n");
  } else {
    terminal::WriteOut(ConsoleReport(terminal::NameInUtf8(fileName), study));
  }
  bool written = true;
  if (!line.json && (line.csv || line.page)) terminal::WriteOut("\n");
  if (line.csv) {
    if (!study.build) {
      if (!line.json) {
        terminal::WriteOut("Sem " + terminal::NameInUtf8(stem + ".csv") +
                           ": um mecanismo não tem ponte a construir.\n");
      }
    } else {
      written =
          Written(line, stem + ".csv", CsvTable(study), "Tabela da ponte a construir") && written;
    }
  }
  if (line.page) {
    const std::string html =
        page::PageHtml(terminal::NameInUtf8(stem), input.model, study, pageOptions);
    const bool pageWritten = Written(line, pageName, html, "Desenho e gabarito");
    written = pageWritten && written;
    if (pageWritten && openPage && !desktop::OpenInBrowser(pageName)) {
      terminal::WriteErr("quivor-study: não foi possível abrir " + terminal::NameInUtf8(pageName) +
                         " no navegador\n");
    }
  }
  if (!written) return kStatusOutputFile;
  return study.stable ? kStatusStudied : kStatusMechanism;
}

int Run(int argc, const char* const* argv) {
  // 1. The command line.
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  terminal::WriteOut(parsed.out);
  terminal::WriteErr(parsed.err);
  if (!parsed.run) return parsed.status;
  const CommandLine& line = *parsed.run;

  // 2. The model's name: given, or typed (a double-click start, whose window
  // stays until Enter so that what was shown can be read).
  const bool typedName = line.model.empty();
  std::string name = line.model;
  if (typedName) {
    terminal::WriteOut(
        "quivor-study: estudo de uma ponte treliçada de espaguete.\n"
        "Digite o nome do modelo (o arquivo NOME.txt nesta pasta): ");
    name = ReadTypedLine();
  }
  const std::string fileName = ModelFileName(name);
  int status = kStatusUsage;
  if (fileName.empty()) {
    terminal::WriteErr("quivor-study: nenhum modelo foi indicado (veja quivor-study --help)\n");
  } else {
    // 3. The study, and what it shows; again at each save when watching.
    status = StudyOnce(line, fileName, line.open || typedName);
    std::optional<std::int64_t> seen = desktop::ModificationStamp(fileName);
    while (line.watch) {
      desktop::SleepMilliseconds(kWatchInterval);
      const std::optional<std::int64_t> now = desktop::ModificationStamp(fileName);
      if (now == seen) continue;
      seen = now;
      if (!line.json) {
        terminal::WriteOut("\n" + terminal::NameInUtf8(fileName) +
                           " mudou: estudando de novo.\n\n");
      }
      status = StudyOnce(line, fileName, false);
    }
  }
  if (typedName) {
    terminal::WriteOut("\nTecle Enter para fechar.\n");
    ReadTypedLine();
  }
  return status;
}

}  // namespace
}  // namespace quivor::study

int main(int argc, char** argv) { return quivor::study::Run(argc, argv); }
