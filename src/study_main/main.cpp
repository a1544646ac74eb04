// quivor-study: the study of a spaghetti truss bridge for a contest.
//
// One pass: the command line, the model (named on it, or typed at the
// console when the program was started without one), the study, then what
// it shows: the console text or the JSON document, the CSV table and the
// page. Watching a model repeats the pass each time the file is saved.
// Four subcommands do what teams and teachers did by hand: a first model
// (nova), the ranking of a folder of models (ranking), the node order for a
// narrow band (renumerar), and a lighter shape (otimizar).
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "generate/bridge_model.hpp"
#include "generate/renumber.hpp"
#include "optimize/optimize.hpp"
#include "optimize/report.hpp"
#include "page/page.hpp"
#include "platform/desktop.hpp"
#include "platform/platform.hpp"
#include "platform/terminal.hpp"
#include "study/ranking.hpp"
#include "study/study.hpp"
#include "study_main/model_input.hpp"
#include "study_main/options.hpp"
#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"

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

// Writes an output file, or says on standard error that it could not.
bool WriteOutput(const std::string& name, const std::string& bytes) {
  if (WriteFile(name, bytes)) return true;
  terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                     ": não foi possível escrever o arquivo\n");
  return false;
}

// Tells that an output file was written (not in the JSON mode, which keeps
// standard output for the document alone), or that it could not be.
bool Written(const CommandLine& line, const std::string& name, const std::string& bytes,
             const std::string& what) {
  if (!WriteOutput(name, bytes)) return false;
  if (!line.json) terminal::WriteOut(what + ": " + terminal::NameInUtf8(name) + ".\n");
  return true;
}

// The error of a model that ran out of memory while it was studied.
std::string OutOfMemoryError(const std::string& fileName) {
  return terminal::NameInUtf8(fileName) + ": memória insuficiente para estudar o modelo";
}

// The warnings about a model file that could not be used, on standard error
// before its error, which they may explain.
void WarnOnError(const std::vector<FileWarning>& warnings) {
  for (const FileWarning& warning : warnings) {
    terminal::WriteErr("quivor-study: aviso: " + warning.text + "\n");
  }
}

// Opens a page that was written in the browser, or says on standard error
// that it could not.
void OpenPage(const std::string& pageName) {
  if (desktop::OpenInBrowser(pageName)) return;
  terminal::WriteErr("quivor-study: não foi possível abrir " + terminal::NameInUtf8(pageName) +
                     " no navegador\n");
}

// Studies the model once and shows the results; the exit status.
int StudyOnce(const CommandLine& line, const std::string& fileName, bool openPage) {
  const std::string stem = ModelStem(fileName);
  const std::string pageName = stem + ".html";
  // The model, read and checked as quivor reads it.
  ModelInput input = LoadModel(fileName);
  const page::PageOptions pageOptions{.reload = line.watch, .fileWarnings = input.warnings};
  std::string error = input.error;
  Study study;
  if (error.empty()) {
    try {
      study = StudyModel(input.model, line.options);
    } catch (const std::bad_alloc&) {
      error = OutOfMemoryError(fileName);
    }
  }
  if (!error.empty()) {
    WarnOnError(input.warnings);
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
    terminal::WriteOut(JsonDocument(terminal::NameInUtf8(stem), study, input.warnings) + "\n");
  } else {
    terminal::WriteOut(ConsoleReport(terminal::NameInUtf8(fileName), study, input.warnings));
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
    if (pageWritten && openPage) OpenPage(pageName);
  }
  if (!written) return kStatusOutputFile;
  return study.stable ? kStatusStudied : kStatusMechanism;
}

// Whether a file that is already there keeps a new one from being written
// (unless it may be replaced); says so on standard error when it does.
bool RefusedOverExisting(const std::string& name, bool replace) {
  if (replace || !desktop::ModificationStamp(name)) return false;
  terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                     " já existe; para escrever por cima dele, use --substituir\n");
  return true;
}

// Writes a new file, never over an existing one unless asked to.
int WriteNewFile(const std::string& name, const std::string& bytes, bool replace) {
  if (RefusedOverExisting(name, replace)) return kStatusOutputFile;
  return WriteOutput(name, bytes) ? kStatusStudied : kStatusOutputFile;
}

// The text of a model file that quivor's reader and checks accept; nothing
// when they do not, the error said on standard error. The warnings about
// the file are shown first.
std::optional<std::string> ReadCheckedModel(const std::string& fileName) {
  FileText file = ReadWholeFile(fileName);
  std::string error = file.error;
  std::vector<FileWarning> warnings;
  if (error.empty()) {
    ModelInput input = ReadModelText(fileName, file.text);
    error = std::move(input.error);
    warnings = std::move(input.warnings);
  }
  if (!error.empty()) {
    WarnOnError(warnings);
    terminal::WriteErr("quivor-study: " + error + "\n");
    return std::nullopt;
  }
  for (const FileWarning& warning : warnings) terminal::WriteOut("Aviso: " + warning.text + ".\n");
  if (!warnings.empty()) terminal::WriteOut("\n");
  return std::move(file.text);
}

// quivor-study nova NAME: a first model of a common form.
int NewModel(const CommandLine& line) {
  const std::string fileName = ModelFileName(line.model);
  const generate::GeneratedModel model = generate::GenerateBridge(line.bridge);
  if (!model.error.empty()) {
    terminal::WriteErr("quivor-study: " + model.error + "\n");
    return kStatusUsage;
  }
  const int status = WriteNewFile(fileName, model.text, line.replace);
  if (status != kStatusStudied) return status;
  const generate::BridgeRequest& b = line.bridge;
  terminal::WriteOut(
      "Escrito " + terminal::NameInUtf8(fileName) + ": ponte " +
      std::string(generate::NameOf(b.type)) + " de " + ShortestDecimal(b.span) + " cm de vão, " +
      ShortestDecimal(b.height) + " cm de altura, " + std::to_string(b.panels) + " painéis, " +
      ShortestDecimal(b.load) + " kgf no meio do vão" +
      (b.spreadLoadCase ? " (e um caso com a mesma carga repartida)" : "") +
      ".\nPara estudá-la: quivor-study " + terminal::NameInUtf8(ModelStem(fileName)) + "\n");
  return kStatusStudied;
}

// quivor-study ranking [FOLDER]: every model of a folder, best first. A
// model that cannot be used takes its place in the ranking; it never stops
// the others.
int Ranking(const CommandLine& line) {
  namespace fs = std::filesystem;
  const fs::path folder(line.folder);
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->path().extension() == ".txt" && !entry->is_directory())
      files.push_back(entry->path());
  }
  const std::string shownFolder = terminal::NameInUtf8(line.folder);
  if (error) {
    terminal::WriteErr("quivor-study: " + shownFolder + ": não foi possível ler a pasta\n");
    return kStatusModelFile;
  }
  std::sort(files.begin(), files.end());

  // A progress line on standard error while there are many.
  constexpr std::size_t kManyModels = 10;
  std::vector<RankedModel> models;
  for (std::size_t i = 0; i < files.size(); ++i) {
    RankedModel& ranked = models.emplace_back();
    ranked.name = terminal::NameInUtf8(files[i].stem().string());
    if (files.size() > kManyModels) {
      terminal::WriteErr("\rEstudando " + std::to_string(i + 1) + " de " +
                         std::to_string(files.size()) + "...");
    }
    // Messages name a model of the working folder by its file name alone.
    ModelInput input =
        LoadModel(line.folder == "." ? files[i].filename().string() : files[i].string());
    try {
      if (input.error.empty()) ranked.study = StudyModel(input.model, line.options);
    } catch (const std::bad_alloc&) {
      input.error = OutOfMemoryError(files[i].filename().string());
    }
    ranked.error = input.error;
    ranked.errorLine = input.errorLine;
    ranked.warnings = std::move(input.warnings);
  }
  if (files.size() > kManyModels) terminal::WriteErr("\n");
  RankModels(models);

  terminal::WriteOut(RankingReport(shownFolder, models, line.options.weightLimit));
  const std::string csvName =
      line.folder == "." ? std::string("ranking.csv") : (folder / "ranking.csv").string();
  if (!WriteOutput(csvName, RankingCsv(models))) return kStatusOutputFile;
  terminal::WriteOut("\nA mesma tabela, para uma planilha: " + terminal::NameInUtf8(csvName) +
                     ".\n");
  return kStatusStudied;
}

// quivor-study renumerar NAME: the node lines reordered for a narrow band,
// everything else as it was.
int Renumber(const CommandLine& line) {
  const std::string fileName = ModelFileName(line.model);
  const std::optional<std::string> modelText = ReadCheckedModel(fileName);
  if (!modelText) return kStatusModelFile;
  const generate::Renumbered renumbered = generate::RenumberNodes(*modelText);
  if (!renumbered.error.empty()) {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(fileName) + ": " + renumbered.error +
                       "\n");
    return kStatusModelFile;
  }
  const std::string outName = ModelStem(fileName) + "-renumerado.txt";
  const int status = WriteNewFile(outName, renumbered.text, line.replace);
  if (status != kStatusStudied) return status;
  terminal::WriteOut(
      "Semibanda da matriz de rigidez: " + std::to_string(renumbered.halfBandwidthBefore) +
      " antes, " + std::to_string(renumbered.halfBandwidthAfter) + " depois.\nEscrito " +
      terminal::NameInUtf8(outName) + ".\n");
  return kStatusStudied;
}

// quivor-study otimizar NAME: the nodes that may move, moved for a lighter
// bridge; NAME-otimizado.txt and its page, never over existing files
// unless asked to.
int Optimize(const CommandLine& line) {
  const std::string fileName = ModelFileName(line.model);
  const std::optional<std::string> modelText = ReadCheckedModel(fileName);
  if (!modelText) return kStatusModelFile;
  const std::string stem = ModelStem(fileName) + "-otimizado";
  const std::string outName = stem + ".txt";
  const std::string pageName = stem + ".html";
  for (const std::string& name : {outName, pageName}) {
    if (name == pageName && !line.page) continue;
    if (RefusedOverExisting(name, line.replace)) return kStatusOutputFile;
  }

  // The search, with a progress line now and then.
  optimize::SearchOptions options;
  options.rules = line.shape;
  bool shown = false;
  std::size_t widest = 0;  // a shorter line blanks what the last one left
  auto last = std::chrono::steady_clock::now();
  options.progress = [&](const optimize::Progress& progress) {
    const auto now = std::chrono::steady_clock::now();
    if (shown && now - last < std::chrono::milliseconds(200)) return;
    last = now;
    shown = true;
    std::string text = optimize::ProgressText(progress) + "...";
    widest = std::max(widest, text.size());
    text.resize(widest, ' ');
    terminal::WriteErr("\r" + text);
  };
  optimize::Optimization result;
  try {
    result = optimize::OptimizeModelText(*modelText, options, line.options);
  } catch (const std::bad_alloc&) {
    result.error = "memória insuficiente para otimizar o modelo";
  }
  if (shown) {
    std::string text = optimize::SearchDoneText(options.starts, result.evaluations);
    text.resize(std::max(widest, text.size()), ' ');
    terminal::WriteErr("\r" + text + "\n");
  }
  const std::string shownFile = terminal::NameInUtf8(fileName);
  if (result.before.nodes > 0 && !result.before.stable) {
    // A mechanism: the study tells how it moves.
    terminal::WriteOut(ConsoleReport(shownFile, result.before));
    return kStatusMechanism;
  }
  if (!result.error.empty()) {
    terminal::WriteErr("quivor-study: " + shownFile + ": " + result.error + "\n");
    return kStatusModelFile;
  }

  terminal::WriteOut(
      optimize::OptimizationReport(shownFile, terminal::NameInUtf8(outName), result, line.shape));
  if (!WriteOutput(outName, result.text)) return kStatusOutputFile;
  if (line.page) {
    // A new shape is drawn beside the one it was found from.
    page::PageOptions pageOptions;
    if (result.improved) {
      pageOptions.earlierModel = &result.start;
      pageOptions.earlierStudy = &result.before;
    }
    const std::string html =
        page::PageHtml(terminal::NameInUtf8(stem), result.model, result.after, pageOptions);
    if (!Written(line, pageName, html, "Desenho e gabarito")) return kStatusOutputFile;
    if (line.open) OpenPage(pageName);
  }
  return kStatusStudied;
}

int Run(int argc, const char* const* argv) {
  // 1. The command line.
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  terminal::WriteOut(parsed.out);
  terminal::WriteErr(parsed.err);
  if (!parsed.run) return parsed.status;
  const CommandLine& line = *parsed.run;
  switch (line.command) {
    case Command::kNew:
      return NewModel(line);
    case Command::kRanking:
      return Ranking(line);
    case Command::kRenumber:
      return Renumber(line);
    case Command::kOptimize:
      return Optimize(line);
    case Command::kStudy:
      break;
  }

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
