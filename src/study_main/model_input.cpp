// Reading a model for a study. The file is read whole first, so that a
// value the reader refuses can be shown with the line it stands on.
#include "study_main/model_input.hpp"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "platform/desktop.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"
#include "platform/shown_text.hpp"
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

// Part of the file as a message may show it: at most `limit` characters,
// control bytes as '?', bytes that are not UTF-8 taken as Windows-1252
// letters (Latin-1 for the accented ones).
std::string Printable(std::string_view shown, std::size_t limit) {
  return terminal::ShownText(shown, limit, terminal::Controls::kQuestionMark);
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
  return Printable(shown, kShownLine);
}

// The kinds of value a field of the model holds, for a value it cannot.
enum class Field { kUnknown, kInteger, kReal64, kReal32, kText };

// Which field on `line` the reader could not store a value in. The text is
// read again, cut right after a value of the line: the reader stops with a
// value its field cannot hold once the cut is past the one it refused (a
// binary search over the values of the line). That value is then replaced
// by probes: 40000 fits a real but no 16-bit integer, 1e39 a 64-bit real
// but no 32-bit one.
Field FieldThatCannotHold(std::string_view text, std::int64_t line) {
  std::size_t start = 0;
  for (std::int64_t l = 1; l < line; ++l) {
    start = text.find('\n', start);
    if (start == std::string_view::npos) return Field::kUnknown;
    ++start;
  }
  const std::size_t end = std::min(text.find('\n', start), text.size());
  struct Value {
    std::size_t start;
    std::size_t end;
  };
  std::vector<Value> values;
  for (std::size_t i = start; i < end;) {
    const char c = text[i];
    if (c == '/') break;
    if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
      ++i;
      continue;
    }
    std::size_t after = std::min(text.find_first_of(" \t,/\r", i), end);
    if (c == '\'' || c == '"') {
      const std::size_t quote = text.find(c, i + 1);
      after = quote == std::string_view::npos || quote >= end ? end : quote + 1;
    }
    values.push_back({i, after});
    i = after;
  }
  auto refused = [text](std::size_t cut, std::string_view value) {
    std::string probe(text.substr(0, cut));
    probe += value;
    Model model;
    InputUnit unit(kModelUnit, probe);
    return ReadModelFile(unit, model).failure.number == ErrorNumber::kConversionError;
  };
  std::size_t low = 0;
  std::size_t high = values.size();  // the first value refused is in [low, high)
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (refused(values[middle].end, {})) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (low == values.size()) return Field::kUnknown;
  const Value& value = values[low];
  const std::string_view shown = text.substr(value.start, value.end - value.start);
  if (shown.find_first_of("'\"") != std::string_view::npos) return Field::kText;
  // A repeat count stays.
  const std::size_t star = shown.find('*');
  const std::string repeat(star == std::string_view::npos ? "" : shown.substr(0, star + 1));
  if (refused(value.start, repeat + "40000")) return Field::kInteger;
  if (refused(value.start, repeat + "1e39")) return Field::kReal32;
  return Field::kReal64;
}

std::string ReadFailureText(const Failure& failure, std::string_view text, std::int64_t line) {
  const std::string where = "linha " + std::to_string(line);
  switch (failure.number) {
    case ErrorNumber::kEndOfFile:
      return "o arquivo termina na linha " + std::to_string(line) +
             ", antes do último valor do modelo";
    case ErrorNumber::kSyntaxError:
      return where + ": um valor que não é um número, em \"" + ShownLine(text, line) + "\"";
    case ErrorNumber::kConversionError: {
      std::string what = "um valor fora do alcance do seu campo";
      switch (FieldThatCannotHold(text, line)) {
        case Field::kInteger:
          what += " (inteiros de -32768 a 32767)";
          break;
        case Field::kReal64:
          what += " (reais de 64 bits, até cerca de ±1,8e308)";
          break;
        case Field::kReal32:
          what += " (reais de 32 bits, até cerca de ±3,4e38)";
          break;
        case Field::kText:
          what = "um texto entre aspas onde o campo pede um número";
          break;
        case Field::kUnknown:
          break;
      }
      return where + ": " + what + ", em \"" + ShownLine(text, line) + "\"";
    }
    case ErrorNumber::kNoMemory:
      return "memória insuficiente para o modelo";
    default:
      return "erro de leitura";
  }
}

// The encoding of a text that quivor's reader cannot read, named as
// Notepad names it; empty for none seen. The byte-order marks, and UTF-16
// without one: ASCII characters with a zero byte after (LE) or before (BE)
// each. quivor fails on all of them at the first value.
std::string_view UnreadableEncoding(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) return "UTF-8 com BOM";
  if (text.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return "UTF-32 LE";
  if (text.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return "UTF-32 BE";
  if (text.starts_with("\xFF\xFE")) return "UTF-16 LE";
  if (text.starts_with("\xFE\xFF")) return "UTF-16 BE";
  auto ascii = [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; };
  if (text.size() >= 4) {
    if (ascii(text[0]) && text[1] == '\0' && ascii(text[2]) && text[3] == '\0') return "UTF-16 LE";
    if (text[0] == '\0' && ascii(text[1]) && text[2] == '\0' && ascii(text[3])) return "UTF-16 BE";
  }
  return {};
}

std::string EncodingText(std::string_view encoding) {
  const std::string_view what = encoding.starts_with("UTF-8") ? "começa com uma marca invisível"
                                                              : "cada letra ocupa mais de um byte";
  return "o arquivo está salvo em \"" + std::string(encoding) + "\" (" + std::string(what) +
         "), que o quivor também não lê; no Bloco de Notas, use \"Salvar como\" com a "
         "Codificação \"ANSI\" ou \"UTF-8\" (sem BOM)";
}

// What separates values on a line (a line end is not one of them).
bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a text begins as a number does: [sign] [point] digit.
bool LooksNumeric(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i < text.size() && text[i] == '.') ++i;
  return i < text.size() && IsDigit(text[i]);
}

// Whether a text is all digits, one at least.
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// Characters of a value or of an ignored text shown in a warning.
constexpr std::size_t kShownValue = 20;
constexpr std::size_t kShownIgnored = 40;

// "a", "a e b", "a, b e c".
std::string ListInWords(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " e " : ", ";
    text += items[i];
  }
  return text;
}

// The numbers of a line written with a decimal comma ("20,5", "-0,5"), as a
// point writes them: what stands between blanks and is digits, a comma and
// digits. A comma between values without blanks ("3,20,5") is not one.
std::vector<std::string> DecimalCommaNumbers(std::string_view line) {
  std::vector<std::string> numbers;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
    std::string_view word = line.substr(i, end - i);
    i = end;
    const std::size_t comma = word.find(',');
    if (comma == std::string_view::npos) continue;
    std::string_view whole = word.substr(0, comma);
    if (!whole.empty() && (whole.front() == '-' || whole.front() == '+')) whole.remove_prefix(1);
    if (!AllDigits(whole) || !AllDigits(word.substr(comma + 1))) continue;
    std::string number(word);
    number[comma] = '.';
    numbers.push_back(std::move(number));
  }
  return numbers;
}

// The warning of one read, when its last line goes on, past its values and
// after separators, with something that looks like a number.
std::optional<FileWarning> IgnoredNumber(const std::string& shownName, std::string_view text,
                                         const ReadExtent& extent) {
  if (extent.slash || extent.end > text.size() || extent.begin > extent.end) return std::nullopt;
  const auto end = static_cast<std::size_t>(extent.end);
  std::size_t lineEnd = std::min(text.find('\n', end), text.size());
  std::string_view rest = text.substr(end, lineEnd - end);
  while (!rest.empty() && IsSeparator(rest.front())) rest.remove_prefix(1);
  if (!LooksNumeric(rest)) return std::nullopt;
  const std::size_t lineStart = end == 0 ? 0 : text.rfind('\n', end - 1) + 1;  // npos + 1 = 0
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
    rest.remove_suffix(1);
  }
  if (lineEnd > lineStart && text[lineEnd - 1] == '\r') --lineEnd;

  // The values the read took, as the file writes them, and the line ends
  // it went past after its first value.
  std::vector<std::string> values;
  std::int64_t linesPassed = 0;
  const auto begin = static_cast<std::size_t>(extent.begin);  // within the text: checked above
  const std::string_view read = text.substr(begin, end - begin);
  for (std::size_t i = 0; i < read.size();) {
    const std::size_t valueEnd = std::min(read.find_first_of(" \t,\r\n", i), read.size());
    if (valueEnd > i) values.push_back(Printable(read.substr(i, valueEnd - i), kShownValue));
    if (valueEnd < read.size() && read[valueEnd] == '\n' && !values.empty()) ++linesPassed;
    i = valueEnd + 1;
  }

  FileWarning warning;
  warning.line = extent.line;
  warning.ignored = Printable(rest, kShownIgnored);
  warning.text = shownName + ", linha " + std::to_string(extent.line) + ": o quivor ";
  if (!values.empty()) warning.text += "lê " + ListInWords(values) + " e ";
  warning.text += "ignora \"" + warning.ignored + "\" (";
  const std::vector<std::string> meant =
      DecimalCommaNumbers(text.substr(lineStart, lineEnd - lineStart));
  if (!meant.empty()) {
    std::vector<std::string> shown;
    for (const std::string& number : meant) shown.push_back(Printable(number, kShownValue));
    warning.text += "vírgula decimal? escreva " + ListInWords(shown) + ")";
  } else if (linesPassed > 0) {
    // The record began on an earlier line, which had too few values.
    warning.text += "faltam valores na linha " + std::to_string(extent.line - linesPassed) + "?)";
  } else {
    warning.text += "esta linha leva só " + std::to_string(extent.items) +
                    (extent.items == 1 ? " valor)" : " valores)");
  }
  return warning;
}

// Keeps the extent of every read whose line goes on with what looks like a
// number. Runs inside the reader: it throws nothing, and a warning that
// finds no memory is left out.
class IgnoredNumbers final : public ReadObserver {
 public:
  IgnoredNumbers(const std::string& shownName, std::string_view text)
      : shownName_(shownName), text_(text) {}

  void ReadEnded(const ReadExtent& extent) override {
    try {
      if (std::optional<FileWarning> warning = IgnoredNumber(shownName_, text_, extent)) {
        warnings.push_back(std::move(*warning));
      }
    } catch (const std::bad_alloc&) {
    }
  }

  std::vector<FileWarning> warnings;

 private:
  const std::string& shownName_;
  std::string_view text_;
};

std::string OpenFailureText(const files::Outcome& outcome) {
  switch (outcome.cause) {
    case files::Cause::kNotFound:
      return "arquivo não encontrado";
    case files::Cause::kFolder:
      return "é uma pasta, não um arquivo de modelo";
    case files::Cause::kNotRegular:
      return "não é um arquivo comum (é um dispositivo, um FIFO ou um socket)";
    case files::Cause::kTooLarge:
      return "arquivo grande demais para um modelo (mais de " +
             std::to_string(kLargestModelFile >> 20) + " MiB)";
    case files::Cause::kBadName:
      return "nome de arquivo inválido";
    case files::Cause::kNoMemory:
      return "memória insuficiente para ler o arquivo";
    default:
      return "não foi possível ler o arquivo: " + files::InWords(outcome);
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
  const std::string shownName = terminal::NameInUtf8(fileName);
  // A text in an encoding the reader cannot read: the reason, rather than
  // the invisible character it would stop at.
  const std::string_view encoding = UnreadableEncoding(text);
  if (!encoding.empty()) {
    input.error = shownName + ": " + EncodingText(encoding);
    return input;
  }
  InputUnit unit(kModelUnit, text);
  IgnoredNumbers ignored(shownName, text);
  unit.Observe(&ignored);
  const ModelStatus status = ReadModelFile(unit, input.model);
  input.warnings = std::move(ignored.warnings);
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
  files::ReadResult read = files::ReadWhole(fileName, kLargestModelFile);
  if (!read.outcome.ok()) {
    return {{}, terminal::NameInUtf8(fileName) + ": " + OpenFailureText(read.outcome)};
  }
  return {std::move(read.text), {}};
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
  } catch (...) {
    // Out of memory, or counts that do not fit: no view of it.
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
