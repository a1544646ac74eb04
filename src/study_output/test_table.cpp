// The test table's reader. The header names the columns, in any order and
// letter case, with or without accents and units in parentheses:
//   tipo (or ensaio, kind): tracao (tração, tension) or flambagem (buckling)
//   fios (n fios, numero de fios, strands): a whole number > 0
//   comprimento (comprimento livre, length): cm > 0, for a buckling test
//   carga (carga de ruptura, load): kgf > 0, at failure
//   peso (massa, weight): g > 0, the bundle weighed (optional)
//   comprimento do feixe (bundle length): cm > 0, the bundle weighed
// Other columns (notes) are left alone. A row with every field blank is
// skipped. Fields may be quoted as RFC 4180 quotes them.
#include "study_output/test_table.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace quivor::study {
namespace {

enum Column { kKind, kStrands, kLength, kLoad, kWeight, kBundleLength, kColumns };

constexpr std::array<std::string_view, kColumns> kColumnNames = {
    "tipo", "fios", "comprimento", "carga", "peso", "comprimento do feixe"};

// The largest value a column takes, far beyond any test with spaghetti: a
// value past it is a slip (a length in mm typed as cm, a stray digit) or
// would overflow the fits.
constexpr std::array<double, kColumns> kLargest = {0.0, 1000.0, 10000.0, 100000.0, 1.0e6, 10000.0};
constexpr std::array<std::string_view, kColumns> kLargestText = {
    "", "1000", "10000 cm", "100000 kgf", "1000000 g", "10000 cm"};

std::optional<Column> ColumnNamed(const std::string& folded) {
  struct Alias {
    std::string_view name;
    Column column;
  };
  static constexpr Alias kAliases[] = {
      {"tipo", kKind},
      {"ensaio", kKind},
      {"tipo de ensaio", kKind},
      {"kind", kKind},
      {"fios", kStrands},
      {"n fios", kStrands},
      {"no fios", kStrands},
      {"numero de fios", kStrands},
      {"strands", kStrands},
      {"comprimento", kLength},
      {"comprimento livre", kLength},
      {"length", kLength},
      {"carga", kLoad},
      {"carga de ruptura", kLoad},
      {"carga na ruptura", kLoad},
      {"load", kLoad},
      {"peso", kWeight},
      {"peso do feixe", kWeight},
      {"massa", kWeight},
      {"weight", kWeight},
      {"comprimento do feixe", kBundleLength},
      {"comprimento feixe", kBundleLength},
      {"bundle length", kBundleLength},
  };
  for (const Alias& alias : kAliases) {
    if (folded == alias.name) return alias.column;
  }
  return std::nullopt;
}

// The Latin-1 letters with accents, in UTF-8 (two bytes, C3 xx), and the
// letter without.
char Unaccented(unsigned char second) {
  // C3 80..C3 BF: À..ÿ.
  static constexpr std::string_view kLetters =
      "aaaaaaaceeeeiiiidnooooo*ouuuuyps"   // 80..9F (upper case)
      "aaaaaaaceeeeiiiidnooooo/ouuuuypy";  // A0..BF
  if (second < 0x80 || second > 0xBF) return '?';
  return kLetters[second - 0x80];
}

// The fields of one line, split at `separator` outside quotes.
std::vector<std::string> Fields(std::string_view line, char separator) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// A finite number in the table's dialect: a decimal comma after ';', a
// decimal point after ','; the ';' dialect takes a point too.
std::optional<double> Number(std::string text, char separator) {
  if (separator == ';') {
    for (char& c : text) {
      if (c == ',') c = '.';
    }
  }
  if (!text.empty() && text.front() == '+') text.erase(0, 1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string FoldedName(std::string_view name) {
  std::string folded;
  int parentheses = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    char plain = static_cast<char>(c);
    if (c == 0xC3 && i + 1 < name.size()) {
      plain = Unaccented(static_cast<unsigned char>(name[++i]));
    } else if (c == 0xC2 && i + 1 < name.size() &&
               static_cast<unsigned char>(name[i + 1]) == 0xBA) {
      plain = 'o';  // º, as in "nº"
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      plain = static_cast<char>(c - 'A' + 'a');
    }
    if (plain == '(') ++parentheses;
    if (parentheses > 0) {
      if (plain == ')') --parentheses;
      plain = ' ';
    }
    const bool blank = plain == ' ' || plain == '\t' || plain == '_' || plain == '-' ||
                       plain == '.' || plain == '\xA0';
    if (blank) {
      if (!folded.empty() && folded.back() != ' ') folded += ' ';
    } else {
      folded += plain;
    }
  }
  while (!folded.empty() && folded.back() == ' ') folded.pop_back();
  return folded;
}

TestTable ReadTestTable(std::string_view text) {
  TestTable table;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  std::size_t header = 0;
  while (header < lines.size() && Trimmed(lines[header]).empty()) ++header;
  if (header == lines.size()) {
    table.errors.push_back(
        "a tabela está vazia: falta a linha de cabeçalho (tipo; fios; "
        "comprimento; carga)");
    return table;
  }
  const std::string headerLine = "linha " + std::to_string(header + 1) + ": ";
  table.separator = lines[header].find(';') != std::string_view::npos ? ';' : ',';
  std::array<std::optional<std::size_t>, kColumns> at{};
  const std::vector<std::string> names = Fields(lines[header], table.separator);
  for (std::size_t f = 0; f < names.size(); ++f) {
    const std::optional<Column> column = ColumnNamed(FoldedName(names[f]));
    if (!column) continue;
    if (at[*column]) {
      table.errors.push_back(headerLine + "a coluna \"" + std::string(kColumnNames[*column]) +
                             "\" aparece duas vezes no cabeçalho");
      return table;
    }
    at[*column] = f;
  }
  for (const Column needed : {kKind, kStrands, kLoad}) {
    if (!at[needed]) {
      table.errors.push_back(headerLine + "falta a coluna \"" + std::string(kColumnNames[needed]) +
                             "\" no cabeçalho (tipo; fios; comprimento; carga; e, se quiser, "
                             "peso; comprimento do feixe)");
      return table;
    }
  }

  for (std::size_t l = header + 1; l < lines.size(); ++l) {
    const std::vector<std::string> fields = Fields(lines[l], table.separator);
    bool blank = true;
    for (const std::string& field : fields) blank = blank && Trimmed(field).empty();
    if (blank) continue;
    const std::string where = "linha " + std::to_string(l + 1) + ": ";
    auto cell = [&](Column column) -> std::string {
      if (!at[column] || *at[column] >= fields.size()) return "";
      return Trimmed(fields[*at[column]]);
    };
    // A positive number of a column, or the error that names it.
    std::string error;
    auto positive = [&](Column column, bool required) -> std::optional<double> {
      const std::string value = cell(column);
      const std::string name(kColumnNames[column]);
      if (value.empty()) {
        if (required && error.empty()) error = where + "falta o valor da coluna \"" + name + "\"";
        return std::nullopt;
      }
      const std::optional<double> number = Number(value, table.separator);
      if (!number) {
        if (error.empty()) {
          error = where + "\"" + value + "\" não é um número (coluna \"" + name + "\")";
        }
        return std::nullopt;
      }
      if (!(*number > 0.0)) {
        if (error.empty()) {
          error = where + "\"" + value + "\" precisa ser maior que zero (coluna \"" + name + "\")";
        }
        return std::nullopt;
      }
      if (*number > kLargest[column]) {
        if (error.empty()) {
          error = where + "\"" + value + "\" passa de " + std::string(kLargestText[column]) +
                  " (coluna \"" + name + "\")";
        }
        return std::nullopt;
      }
      return number;
    };

    StrandTest test;
    test.line = static_cast<std::int64_t>(l + 1);
    const std::string kind = FoldedName(cell(kKind));
    if (kind == "tracao" || kind == "tension" || kind == "t") {
      test.kind = TestKind::kTension;
    } else if (kind == "flambagem" || kind == "buckling" || kind == "compressao" || kind == "f") {
      test.kind = TestKind::kBuckling;
    } else if (kind.empty()) {
      error = where + "falta o tipo do ensaio (tracao ou flambagem)";
    } else {
      error = where + "tipo de ensaio \"" + cell(kKind) + "\" desconhecido (tracao ou flambagem)";
    }
    const std::optional<double> strands = positive(kStrands, true);
    if (strands && *strands != std::floor(*strands) && error.empty()) {
      error = where + "\"" + cell(kStrands) + "\" não é um número inteiro de fios";
    }
    test.length = positive(kLength, error.empty() && test.kind == TestKind::kBuckling);
    const std::optional<double> load = positive(kLoad, true);
    test.weight = positive(kWeight, false);
    test.bundleLength = positive(kBundleLength, false);
    // A bundle weighed without its own length: the free length of the test.
    if (test.weight && !test.bundleLength) test.bundleLength = test.length;
    if (test.weight && !test.bundleLength && error.empty()) {
      error = where + "um peso sem o comprimento do feixe pesado";
    }
    if (!error.empty()) {
      table.errors.push_back(error);
      continue;
    }
    test.strands = static_cast<int>(*strands);
    test.load = *load;
    table.tests.push_back(test);
  }
  return table;
}

}  // namespace quivor::study
