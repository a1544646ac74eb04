// Reading a model for a study. The file is read whole first, so that a
// value the reader refuses can be shown with the line it stands on.
#include "study_main/model_input.hpp"

#include <algorithm>
#include <new>
#include <string>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "platform/desktop.hpp"
#include "platform/platform.hpp"
#include "platform/terminal.hpp"

namespace quivor::study {
namespace {

// Characters of a line shown in a message.
constexpr std::size_t kShownLine = 60;

std::string Node(int label) { return "nó " + std::to_string(label); }

// The rejections of quivor's reader, in the companion's own words.
std::string RejectionInWords(const ModelRejection& r) {
  using std::to_string;
  switch (r.kind) {
    case RejectionKind::kNoNodes:
      return "número de nós " + to_string(r.value) + "; o modelo precisa de ao menos 1 nó";
    case RejectionKind::kLabelOutOfRange:
      return "rótulo de nó " + to_string(r.value) + " fora da faixa de 1 a " +
             to_string(kMaxNodeLabel);
    case RejectionKind::kLabelRepeated:
      return "rótulo de nó " + to_string(r.value) + " repetido";
    case RejectionKind::kBarUnknownNode:
      return "a barra " + to_string(r.owner) + " usa o " + Node(r.value) + ", que não existe";
    case RejectionKind::kBarSameNode:
      return "a barra " + to_string(r.owner) + " liga o " + Node(r.value) + " a ele mesmo";
    case RejectionKind::kBarZeroLength:
      return "a barra " + to_string(r.owner) + " tem comprimento zero: os nós " +
             to_string(r.value) + " e " + to_string(r.other) + " estão no mesmo ponto";
    case RejectionKind::kSupportUnknownNode:
      return "o apoio " + to_string(r.owner) + " usa o " + Node(r.value) + ", que não existe";
    case RejectionKind::kLoadUnknownNode:
      return "o caso de carga " + to_string(r.owner) + " carrega o " + Node(r.value) +
             ", que não existe";
  }
  return {};
}

// A line of the file as a message may show it: at most kShownLine
// characters, control bytes as '?', bytes that are not UTF-8 taken as
// Windows-1252 letters (Latin-1 for the accented ones).
std::string ShownLine(std::string_view text, std::int64_t line) {
  std::size_t start = 0;
  for (std::int64_t l = 1; l < line && start != std::string_view::npos; ++l) {
    start = text.find('\n', start);
    if (start != std::string_view::npos) ++start;
  }
  if (start == std::string_view::npos) return {};
  std::string_view shown = text.substr(start, text.find('\n', start) - start);
  while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' ')) shown.remove_suffix(1);
  while (!shown.empty() && shown.front() == ' ') shown.remove_prefix(1);
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < shown.size() && characters < kShownLine; ++characters) {
    const auto c = static_cast<unsigned char>(shown[i]);
    std::size_t length = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
    bool utf8 = length > 1 && i + length <= shown.size();
    for (std::size_t k = 1; utf8 && k < length; ++k) {
      utf8 = (static_cast<unsigned char>(shown[i + k]) & 0xC0) == 0x80;
    }
    if (utf8) {
      out.append(shown.substr(i, length));
      i += length;
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      out += '?';
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0xA0) {
      out += '?';
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
    ++i;
  }
  if (characters == kShownLine) out += "...";
  return out;
}

std::string ReadFailureText(const Failure& failure, std::string_view text, std::int64_t line) {
  const std::string where = "linha " + std::to_string(line);
  switch (failure.number) {
    case ErrorNumber::kEndOfFile:
      return "o arquivo termina na linha " + std::to_string(line) +
             ", antes do último valor do modelo";
    case ErrorNumber::kSyntaxError:
      return where + ": um valor que não é um número, em \"" + ShownLine(text, line) + "\"";
    case ErrorNumber::kConversionError:
      return where + ": um valor fora do alcance do seu campo (inteiros de -32768 a 32767), em \"" +
             ShownLine(text, line) + "\"";
    case ErrorNumber::kNoMemory:
      return "memória insuficiente para o modelo";
    default:
      return "erro de leitura";
  }
}

std::string OpenFailureText(const Failure& failure) {
  switch (failure.number) {
    case ErrorNumber::kFileNotFound:
      return "arquivo não encontrado";
    case ErrorNumber::kPermissionDenied:
      return "acesso negado (é uma pasta, ou falta permissão de leitura)";
    case ErrorNumber::kFileNameError:
      return "nome de arquivo inválido";
    case ErrorNumber::kNoMemory:
      return "memória insuficiente para ler o arquivo";
    default:
      return "não foi possível ler o arquivo (" + platform::SystemErrorText(failure.systemError) +
             ")";
  }
}

}  // namespace

namespace {

// Whether the name ends with ".txt", in any letter case ("PONTE.TXT").
bool EndsWithTxt(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view end = name.substr(name.size() - 4);
  for (std::size_t i = 0; i < end.size(); ++i) {
    const char c = end[i] >= 'A' && end[i] <= 'Z' ? static_cast<char>(end[i] - 'A' + 'a') : end[i];
    if (c != ".txt"[i]) return false;
  }
  return true;
}

}  // namespace

std::string ModelFileName(std::string_view name) {
  const std::size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
  std::string file(name);
  // A path dragged onto a console window comes in double quotes; quivor
  // wants a name with blanks in single quotes, a quote in it doubled.
  const char quote = file.front();
  if (file.size() >= 2 && (quote == '"' || quote == '\'') && file.back() == quote) {
    std::string inside;
    for (std::size_t i = 1; i + 1 < file.size(); ++i) {
      inside += file[i];
      if (quote == '\'' && file[i] == quote && file[i + 1] == quote && i + 2 < file.size()) ++i;
    }
    return ModelFileName(inside);
  }
  if (!EndsWithTxt(file)) file += ".txt";
  return file;
}

std::string ModelStem(const std::string& fileName) {
  return EndsWithTxt(fileName) ? fileName.substr(0, fileName.size() - 4) : fileName;
}

ModelInput ReadModelText(const std::string& fileName, std::string_view text) {
  ModelInput input;
  InputUnit unit(kModelUnit, text);
  const ModelStatus status = ReadModelFile(unit, input.model);
  const std::string shownName = terminal::NameInUtf8(fileName);
  if (status.failure.failed()) {
    // The end of the input is met past the last line: it names the last one.
    input.errorLine = status.failure.number != ErrorNumber::kEndOfFile
                          ? unit.line()
                          : std::count(text.begin(), text.end(), '\n') +
                                (!text.empty() && !text.ends_with('\n') ? 1 : 0);
    input.error = shownName + ", " + ReadFailureText(status.failure, text, input.errorLine);
  } else if (status.rejection) {
    input.errorLine = status.rejection->line;
    input.error = shownName + ", linha " + std::to_string(status.rejection->line) + ": " +
                  RejectionInWords(*status.rejection);
  }
  return input;
}

FileText ReadWholeFile(const std::string& fileName) {
  const std::string shownName = terminal::NameInUtf8(fileName);
  const platform::OpenResult opened = platform::OpenForReading(fileName, kModelUnit);
  if (opened.failure.failed()) return {{}, shownName + ": " + OpenFailureText(opened.failure)};
  FileText file;
  Failure failure;
  try {
    std::string chunk(1 << 16, '\0');
    for (;;) {
      const platform::ReadResult got =
          platform::ReadBytes(opened.file, chunk.data(), chunk.size(), kModelUnit);
      if (got.failure.failed()) failure = got.failure;
      if (got.failure.failed() || got.count == 0) break;
      file.text.append(chunk, 0, got.count);
    }
  } catch (const std::bad_alloc&) {
    failure = {ErrorNumber::kNoMemory, kModelUnit, 0};
  }
  platform::CloseFile(opened.file);
  if (failure.failed()) return {{}, shownName + ": " + OpenFailureText(failure)};
  return file;
}

namespace {

// Whether two models are one truss in two shapes: the same nodes and the
// same bars, the coordinates aside.
bool SameTruss(const Model& a, const Model& b) {
  if (a.nodeCount != b.nodeCount || a.barCount != b.barCount) return false;
  for (int i = 1; i <= a.nodeCount; ++i) {
    if (a.nodeLabel(i) != b.nodeLabel(i)) return false;
  }
  for (int i = 1; i <= a.barCount; ++i) {
    if (a.barLabel(i) != b.barLabel(i) || a.barNodes(i, 1) != b.barNodes(i, 1) ||
        a.barNodes(i, 2) != b.barNodes(i, 2)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<ShapeBefore> ShapeBeforeOptimizing(const std::string& stem, const Model& model,
                                                 const StudyOptions& options) {
  constexpr std::string_view kOptimized = "-otimizado";
  if (!stem.ends_with(kOptimized) || stem.size() == kOptimized.size()) return std::nullopt;
  const std::string original = stem.substr(0, stem.size() - kOptimized.size()) + ".txt";
  if (!desktop::ModificationStamp(original)) return std::nullopt;
  ModelInput input = LoadModel(original);
  if (!input.error.empty() || !SameTruss(input.model, model)) return std::nullopt;
  try {
    std::optional<ShapeBefore> before(ShapeBefore{std::move(input.model), {}});
    before->study = StudyModel(before->model, options);
    if (!before->study.stable || !before->study.build) return std::nullopt;
    return before;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string WithSystemLineEnds(std::string_view text) {
#ifdef _WIN32
  return WithCrLf(text);
#else
  return std::string(text);
#endif
}

ModelInput LoadModel(const std::string& fileName) {
  const FileText file = ReadWholeFile(fileName);
  if (!file.error.empty()) return {{}, file.error};
  return ReadModelText(fileName, file.text);
}

}  // namespace quivor::study
