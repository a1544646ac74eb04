// Reading a model for a study. The file is read whole first, so that a
// value the reader refuses can be shown with the line it stands on.
#include "study_main/model_input.hpp"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
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

// Part of the file as a message may show it: at most `limit` characters,
// control bytes as '?', bytes that are not UTF-8 taken as Windows-1252
// letters (Latin-1 for the accented ones).
std::string Printable(std::string_view shown, std::size_t limit) {
  std::string out;
  std::size_t characters = 0;
  std::size_t i = 0;
  for (; i < shown.size() && characters < limit; ++characters) {
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
  if (i < shown.size()) out += "...";  // cut short
  return out;
}

// A line of the file as a message may show it: blanks around it dropped, at
// most kShownLine characters (see Printable).
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
  const std::string_view read = text.substr(extent.begin, end - extent.begin);
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

std::string ModelFileName(std::string_view name) {
  const std::size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
  std::string file(name);
  if (!file.ends_with(".txt")) file += ".txt";
  return file;
}

std::string ModelStem(const std::string& fileName) {
  return fileName.ends_with(".txt") ? fileName.substr(0, fileName.size() - 4) : fileName;
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

ModelInput LoadModel(const std::string& fileName) {
  const FileText file = ReadWholeFile(fileName);
  if (!file.error.empty()) return {{}, file.error};
  return ReadModelText(fileName, file.text);
}

}  // namespace quivor::study
