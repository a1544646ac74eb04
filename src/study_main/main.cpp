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
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generate/bridge_model.hpp"
#include "generate/renumber.hpp"
#include "optimize/optimize.hpp"
#include "optimize/report.hpp"
#include "page/page.hpp"
#include "platform/desktop.hpp"
#include "platform/files.hpp"
#include "platform/shown_text.hpp"
#include "platform/terminal.hpp"
#include "study/ranking.hpp"
#include "study/study.hpp"
#include "study_main/model_input.hpp"
#include "study_main/options.hpp"
#include "study_main/progress_line.hpp"
#include "study_output/calibrate_command.hpp"
#include "study_output/material_file.hpp"
#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {
namespace {

// The status of a run ended by an unexpected error (one of ours).
constexpr int kStatusUnexpected = 5;

// How often a watched model is looked at, ms.
constexpr int kWatchInterval = 500;

// One line typed at the console, without its line end; empty at the end of
// the input.
std::string ReadTypedLine() {
  std::string line;
  char c = 0;
  while (true) {
    if (terminal::ReadIn(&c, 1) == 0 || c == '\n') break;
    if (c != '\r') line += c;
  }
  return line;
}

// What keeps a new file from being written over an existing one, on
// standard error.
void SayExists(const std::string& name) {
  terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                     " já existe; para escrever por cima dele, use --substituir\n");
}

// Writes an output file whole (over an earlier one unless `replace` is
// false), or says on standard error that it could not and leaves any
// earlier file as it was.
bool WriteOutput(const std::string& name, const std::string& bytes, bool replace = true) {
  const files::Outcome outcome = files::WriteWhole(name, bytes, replace);
  if (outcome.ok()) return true;
  if (outcome.cause == files::Cause::kExists && !replace) {
    SayExists(name);
  } else {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                       ": não foi possível escrever o arquivo: " + files::InWords(outcome) + "\n");
  }
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

// The study of a model that was read; when it fails (no memory, a count
// that does not fit), the input's error names the file and says why.
std::optional<Study> StudyRead(ModelInput& input, const StudyOptions& options,
                               const std::string& fileName) {
  if (!input.error.empty()) return std::nullopt;
  try {
    return StudyModel(input.model, options);
  } catch (const std::bad_alloc&) {
    input.error = terminal::NameInUtf8(fileName) + ": memória insuficiente para estudar o modelo";
  } catch (const CountOverflow& overflow) {
    input.error = terminal::NameInUtf8(fileName) + ": " + CountOverflowText(overflow);
  }
  return std::nullopt;
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

// Whether a page already written holds the view of a shape before its
// optimization.
bool HasEarlierView(const std::string& pageName) {
  if (!files::Exists(pageName)) return false;
  const files::ReadResult page = files::ReadWhole(pageName, kLargestModelFile);
  return page.outcome.ok() && page.text.find(page::kEarlierViewTab) != std::string::npos;
}

// The study's options with the material of --material (or, where
// `modelFile` is given, of espaguete.txt beside it); nothing when the
// material file cannot be used, said on standard error.
std::optional<StudyOptions> WithMaterial(const CommandLine& line, const std::string& modelFile) {
  if (line.material.empty() && modelFile.empty()) return line.options;
  MaterialRead read = LoadMaterial(line.material, modelFile);
  if (!read.error.empty()) {
    terminal::WriteErr("quivor-study: " + read.error + "\n");
    return std::nullopt;
  }
  StudyOptions options = line.options;
  read.material.sizeWithMaterial = options.material.sizeWithMaterial;
  options.material = std::move(read.material);
  return options;
}

// The line, without its end, that names the material of a ranking or an
// optimization and how its strands were counted; empty for quivor's own
// strand counted by quivor's rule.
std::string MaterialNote(const StrandMaterial& material) {
  if (material.bundled() && !material.sizeWithMaterial) return {};
  return "Material: " + MaterialOrigin(material) + "; " + SizingText(material);
}

// Studies the model once and shows the results; the exit status.
int StudyOnce(const CommandLine& line, const std::string& fileName, bool openPage) {
  const std::string stem = ModelStem(fileName);
  const std::string pageName = stem + ".html";
  const std::optional<StudyOptions> options = WithMaterial(line, fileName);
  if (!options) return kStatusModelFile;
  // The model, read and checked as quivor reads it.
  ModelInput input = LoadModel(fileName);
  page::PageOptions pageOptions{.reload = line.watch, .fileWarnings = input.warnings};
  std::optional<Study> studied = StudyRead(input, *options, fileName);
  if (!studied) {
    const std::string& error = input.error;
    WarnOnError(input.warnings);
    terminal::WriteErr("quivor-study: " + error + "\n");
    // A page left open in a browser shows the error too.
    if (line.page && line.watch) {
      (void)files::WriteWhole(pageName,
                              page::ErrorPageHtml(terminal::NameInUtf8(stem), error, pageOptions));
    }
    return kStatusModelFile;
  }
  const Study& study = *studied;

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
          Written(line, stem + ".csv", CsvTable(study), "Tabela de cada treliça e da ponte") &&
          written;
    }
  }
  if (line.page) {
    // The page of an optimized shape keeps the view of the shape before.
    const std::optional<ShapeBefore> earlier = ShapeBeforeOptimizing(stem, input.model, *options);
    if (earlier) {
      pageOptions.earlierModel = &earlier->model;
      pageOptions.earlierStudy = &earlier->study;
    } else if (HasEarlierView(pageName)) {
      // The page is written all the same; the view it loses is said.
      terminal::WriteErr("quivor-study: aviso: " + terminal::NameInUtf8(pageName) +
                         " perde a vista \"Antes da otimização\": o modelo de antes não está mais "
                         "ao lado dele, ou já não é a mesma treliça\n");
    }
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
  if (replace || !files::Exists(name)) return false;
  SayExists(name);
  return true;
}

// Writes a new file, never over an existing one unless asked to.
int WriteNewFile(const std::string& name, const std::string& bytes, bool replace) {
  if (RefusedOverExisting(name, replace)) return kStatusOutputFile;
  return WriteOutput(name, bytes, replace) ? kStatusStudied : kStatusOutputFile;
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
  // The system's own line ends, as a text editor there writes them.
  const int status = WriteNewFile(fileName, WithSystemLineEnds(model.text), line.replace);
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

// The ending of a model file's name; any letter case will do in a folder.
constexpr std::string_view kModelExtension = ".txt";

bool HasModelExtension(std::string_view name) {
  if (name.size() <= kModelExtension.size()) return false;
  const std::string_view ending = name.substr(name.size() - kModelExtension.size());
  return std::equal(ending.begin(), ending.end(), kModelExtension.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

// An entry of a folder by the name the system takes: the entry alone in the
// working folder.
std::string JoinedName(const std::string& folder, const std::string& entry) {
#ifdef _WIN32
  constexpr std::string_view kSeparators = "/\\";
  constexpr char kSeparator = '\\';
#else
  constexpr std::string_view kSeparators = "/";
  constexpr char kSeparator = '/';
#endif
  if (folder == "." || folder.empty()) return entry;
  if (kSeparators.find(folder.back()) != std::string_view::npos) return folder + entry;
  return folder + kSeparator + entry;
}

// quivor-study ranking [FOLDER]: every model of a folder, best first. A
// model that cannot be used takes its place in the ranking; it never stops
// the others.
int Ranking(const CommandLine& line) {
  const files::Listing listing = files::ListFolder(line.folder);
  const std::string shownFolder = terminal::NameInUtf8(line.folder);
  if (!listing.outcome.ok()) {
    terminal::WriteErr("quivor-study: " + shownFolder +
                       ": não foi possível ler a pasta: " + files::InWords(listing.outcome) + "\n");
    return kStatusModelFile;
  }
  // Every entry named *.txt, in any letter case, is a model, but the team's
  // material file beside them: one that cannot be read (a folder, a link to
  // nothing, a loop of links, a file without permission) takes its row with
  // the reason.
  std::vector<files::FolderEntry> files;
  for (const files::FolderEntry& entry : listing.entries) {
    if (HasModelExtension(entry.name) && entry.name != kMaterialFileName) files.push_back(entry);
  }
  std::sort(
      files.begin(), files.end(),
      [](const files::FolderEntry& a, const files::FolderEntry& b) { return a.name < b.name; });

  const std::optional<StudyOptions> options = WithMaterial(line, "");
  if (!options) return kStatusModelFile;

  // A progress line on standard error while there are many.
  constexpr std::size_t kManyModels = 10;
  ProgressLine progress(terminal::ErrIsConsole());
  std::vector<RankedModel> models;
  for (std::size_t i = 0; i < files.size(); ++i) {
    RankedModel& ranked = models.emplace_back();
    const std::string& entry = files[i].name;
    ranked.name = terminal::NameInUtf8(entry.substr(0, entry.size() - kModelExtension.size()));
    if (files.size() > kManyModels) {
      progress.Show("Estudando " + std::to_string(i + 1) + " de " + std::to_string(files.size()) +
                    "...");
    }
    // Messages name a model of the working folder by its file name alone.
    const std::string path = JoinedName(line.folder, entry);
    ModelInput input;
    if (!files[i].convertible) {
      input.error = terminal::NameInUtf8(entry) + ": nome que o sistema não consegue converter";
    } else {
      input = LoadModel(path);
      ranked.study = StudyRead(input, *options, entry);
    }
    ranked.error = input.error;
    ranked.errorLine = input.errorLine;
    ranked.warnings = std::move(input.warnings);
  }
  progress.Finish("");
  RankModels(models);

  terminal::WriteOut(RankingReport(shownFolder, models, line.options));
  if (const std::string note = MaterialNote(options->material); !note.empty()) {
    terminal::WriteOut("\n" + note +
                       "; a classificação usa a estimativa esperada (valores médios).\n");
  }
  const std::string csvName = JoinedName(line.folder, "ranking.csv");
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
  if (renumbered.halfBandwidthAfter >= renumbered.halfBandwidthBefore) {
    // The same band again would only be a second copy of the model.
    terminal::WriteOut("Semibanda da matriz de rigidez: a numeração de " +
                       terminal::NameInUtf8(fileName) + " já dá a menor semibanda encontrada (" +
                       std::to_string(renumbered.halfBandwidthBefore) + "); nada foi escrito.\n");
    return kStatusStudied;
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
  ProgressLine progressLine(terminal::ErrIsConsole());
  auto last = std::chrono::steady_clock::now();
  options.progress = [&](const optimize::Progress& progress) {
    const auto now = std::chrono::steady_clock::now();
    if (shown && now - last < std::chrono::milliseconds(200)) return;
    last = now;
    shown = true;
    progressLine.Show(optimize::ProgressText(progress) + "...");
  };
  const std::optional<StudyOptions> studyOptions = WithMaterial(line, "");
  if (!studyOptions) return kStatusModelFile;
  optimize::Optimization result;
  try {
    result = optimize::OptimizeModelText(*modelText, options, *studyOptions);
  } catch (const std::bad_alloc&) {
    result.error = "memória insuficiente para otimizar o modelo";
  } catch (const CountOverflow& overflow) {
    // As the study of the model says it.
    result = {};
    result.error = CountOverflowText(overflow);
  }
  if (shown) progressLine.Finish(optimize::SearchDoneText(options.starts, result.evaluations));
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
  if (const std::string note = MaterialNote(studyOptions->material); !note.empty()) {
    terminal::WriteOut(note + ".\n");
  }
  if (!WriteOutput(outName, result.text, line.replace)) return kStatusOutputFile;
  if (line.page) {
    // A new shape is drawn beside the one it was found from.
    page::PageOptions pageOptions;
    if (result.improved) {
      pageOptions.earlierModel = &result.start;
      pageOptions.earlierStudy = &result.before;
    }
    const std::string html =
        page::PageHtml(terminal::NameInUtf8(stem), result.model, result.after, pageOptions);
    if (!WriteOutput(pageName, html, line.replace)) return kStatusOutputFile;
    terminal::WriteOut("Desenho e gabarito: " + terminal::NameInUtf8(pageName) + ".\n");
    if (line.open) OpenPage(pageName);
  }
  return kStatusStudied;
}

// After a typed name that names no file: where it was looked for, and the
// bundled examples, which stay in their own folder until they are copied.
void HintForMissingModel(const std::string& fileName) {
#ifdef _WIN32
  constexpr char kSeparator = '\\';
#else
  constexpr char kSeparator = '/';
#endif
  std::string hint = "Procurado em " + terminal::NameInUtf8(files::FullPath(fileName)) + ".\n";
  const std::string examples = std::string("exemplos") + kSeparator;
  const bool bare = fileName.find_first_of("/\\") == std::string::npos;
  if (bare && desktop::ModificationStamp(examples + fileName)) {
    hint += "O exemplo " + terminal::NameInUtf8(fileName) + " está na pasta " + examples +
            ": digite " + terminal::NameInUtf8(examples + ModelStem(fileName)) +
            ", ou copie-o para esta pasta.\n";
  } else if (bare && desktop::ModificationStamp("exemplos")) {
    hint += "Os modelos de exemplo estão na pasta " + examples + ": digite " + examples +
            " antes do nome, ou copie-os para esta pasta.\n";
  }
  terminal::WriteErr(hint);
}

int RunCommand(int argc, const char* const* argv) {
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
    case Command::kCalibrate:
      return CalibrateTests(line.tests, line.page, line.replace);
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
    if (typedName && status == kStatusModelFile && !desktop::ModificationStamp(fileName)) {
      HintForMissingModel(fileName);
    }
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

int Run(const std::vector<std::string>& arguments) {
  int status = kStatusUnexpected;
  try {
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    status = RunCommand(static_cast<int>(arguments.size()), pointers.data());
  } catch (const std::bad_alloc&) {
    terminal::WriteErr("quivor-study: memória insuficiente; nada mais foi feito\n");
  } catch (const std::exception& unexpected) {
    terminal::WriteErr("quivor-study: erro inesperado (" + terminal::ShownText(unexpected.what()) +
                       "); nada mais foi feito\n");
  } catch (...) {
    terminal::WriteErr("quivor-study: erro inesperado; nada mais foi feito\n");
  }
  // What was meant for standard output and could not be written.
  if (terminal::OutputFailed()) {
    terminal::WriteErr("quivor-study: não foi possível escrever na saída padrão: " +
                       files::InWords(terminal::OutputFailure()) + "\n");
    if (status == kStatusStudied || status == kStatusMechanism) status = kStatusOutputFile;
  }
  return status;
}

int Run(int argc, char** argv) {
  std::vector<std::string> arguments;
  try {
    // The arguments in UTF-8, whatever the system's code page.
    arguments = files::Arguments(argc, argv);
  } catch (const std::bad_alloc&) {
    terminal::WriteErr("quivor-study: memória insuficiente; nada mais foi feito\n");
    return kStatusUnexpected;
  }
  return Run(arguments);
}

}  // namespace quivor::study

#ifndef QUIVOR_STUDY_IN_PROCESS
int main(int argc, char** argv) { return quivor::study::Run(argc, argv); }
#endif
