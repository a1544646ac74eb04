// The material file: read strictly (each error names its line), written
// with where each value came from.
#include "study_output/material_file.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/files.hpp"
#include "platform/terminal.hpp"
#include "study_output/portuguese.hpp"
#include "study_output/test_table.hpp"

namespace quivor::study {
namespace {

// Larger than any file written by hand.
constexpr std::size_t kLargestMaterialFile = std::size_t{1} << 20;

enum Name { kTension, kTensionK, kBuckling, kBucklingK, kWeight, kNames };
// The values each name takes, far beyond any spaghetti: past them a value
// is a slip (grams for kilograms, a stray digit).
struct Bounds {
  double low;
  double high;
  std::string_view text;
};
constexpr std::array<Bounds, 5> kBounds = {
    Bounds{0.01, 1000.0, "de 0,01 a 1000"}, Bounds{0.01, 1000.0, "de 0,01 a 1000"},
    Bounds{0.01, 100000.0, "de 0,01 a 100000"}, Bounds{0.01, 100000.0, "de 0,01 a 100000"},
    Bounds{0.0001, 10.0, "de 0,0001 a 10"}};
constexpr std::array<std::string_view, kNames> kNamesText = {
    "tracao", "tracao_caracteristica", "flambagem_k", "flambagem_k_caracteristica", "peso_por_cm"};

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string Line(Name name, double value, int decimals, const std::string& note) {
  return std::string(kNamesText[name]) + " = " + ShortDecimal(value, decimals) + "  # " + note +
         "\n";
}

std::string Missing(Name name, const std::string& why) {
  return "# " + std::string(kNamesText[name]) + ": sem valor, " + why + "\n";
}

std::string Tests(int count, std::string_view kind) {
  return Plural(count, "ensaio", "ensaios") + " de " + std::string(kind);
}

}  // namespace

MaterialRead ParseMaterialText(std::string_view text) {
  MaterialRead read;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::array<std::optional<double>, kNames> values{};
  std::array<std::string, kNames> notes{};
  std::int64_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::string where = "linha " + std::to_string(lineNumber) + ": ";
    std::string note;
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) {
      note = Trimmed(line.substr(hash + 1));
      line = line.substr(0, hash);
    }
    if (Trimmed(line).empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      read.error = where + "esperado \"nome = valor\", não \"" + Trimmed(line) + "\"";
      return read;
    }
    const std::string name = FoldedName(Trimmed(line.substr(0, equals)));
    std::size_t index = kNames;
    for (std::size_t n = 0; n < kNames; ++n) {
      if (FoldedName(kNamesText[n]) == name) index = n;
    }
    if (index == kNames) {
      read.error = where + "nome desconhecido \"" + Trimmed(line.substr(0, equals)) +
                   "\" (tracao, tracao_caracteristica, flambagem_k, "
                   "flambagem_k_caracteristica ou peso_por_cm)";
      return read;
    }
    if (values[index]) {
      read.error = where + std::string(kNamesText[index]) + " aparece pela segunda vez";
      return read;
    }
    std::string value = Trimmed(line.substr(equals + 1));
    const std::string shown = value;
    for (char& c : value) {
      if (c == ',') c = '.';
    }
    double number = 0.0;
    const auto [stop, failed] = std::from_chars(value.data(), value.data() + value.size(), number);
    const Bounds& bounds = kBounds[index];
    if (value.empty() || failed != std::errc{} || stop != value.data() + value.size() ||
        !(number >= bounds.low && number <= bounds.high)) {
      read.error = where + std::string(kNamesText[index]) + " precisa de um número " +
                   std::string(bounds.text) + ", não \"" + shown + "\"";
      return read;
    }
    values[index] = number;
    notes[index] = note;
  }
  for (const auto& [mean, characteristic] :
       {std::pair{kTension, kTensionK}, std::pair{kBuckling, kBucklingK}}) {
    if (values[characteristic] && !values[mean]) {
      read.error = std::string(kNamesText[characteristic]) + " sem " +
                   std::string(kNamesText[mean]) + " (a média)";
      return read;
    }
    if (values[characteristic] && *values[characteristic] > *values[mean]) {
      read.error = std::string(kNamesText[characteristic]) + " maior que " +
                   std::string(kNamesText[mean]) + ": o valor característico fica abaixo da média";
      return read;
    }
  }
  StrandMaterial& m = read.material;
  auto take = [&](Name mean, std::optional<Name> characteristic, double& expected,
                  double& conservative, ValueNote& note) {
    if (!values[mean]) return;
    note.given = true;
    note.note = notes[mean];
    expected = *values[mean];
    conservative = *values[mean];
    if (characteristic && values[*characteristic]) {
      note.characteristic = true;
      conservative = *values[*characteristic];
    }
  };
  take(kTension, kTensionK, m.expected.tension, m.conservative.tension, m.tension);
  take(kBuckling, kBucklingK, m.expected.bucklingConstant, m.conservative.bucklingConstant,
       m.buckling);
  take(kWeight, std::nullopt, m.expected.linearWeight, m.conservative.linearWeight, m.weight);
  m.origin = StrandMaterial::Origin::kFile;
  return read;
}

std::string MaterialFileText(const Calibration& c, const std::string& table) {
  std::string text = "# O espaguete da equipe, tirado de " + table +
                     " por quivor-study calibrar.\n"
                     "# Pode ser escrito ou corrigido à mão; um valor que faltar fica o do "
                     "quivor.\n";
  const std::string characteristic = "valor característico (5% inferior, ajuste normal)";
  const TensionFit& t = c.tension;
  const std::string tension = Tests(t.tests, "tração");
  if (t.mean) {
    text += Line(kTension, *t.mean, 4, "kgf por fio: média de " + tension);
  } else {
    text += Missing(kTension, "são precisos ao menos " + std::to_string(kFewestTensionTests) +
                                  " ensaios de tração (há " + std::to_string(t.tests) + ")");
  }
  if (t.characteristic) {
    text +=
        Line(kTensionK, *t.characteristic, 4, "kgf por fio: " + characteristic + " de " + tension);
  } else if (t.mean && t.tests < kFewestTensionTestsCharacteristic) {
    text += Missing(kTensionK, "são precisos ao menos " +
                                   std::to_string(kFewestTensionTestsCharacteristic) +
                                   " ensaios de tração (há " + std::to_string(t.tests) + ")");
  } else if (t.mean) {
    text += Missing(kTensionK, "a dispersão dos ensaios o leva a zero ou abaixo");
  }
  const BucklingFit& b = c.buckling;
  const std::string buckling = Tests(b.tests, "flambagem");
  if (b.constant) {
    text += Line(kBuckling, *b.constant, 4,
                 "kgf·cm²: carga = K × fios² / comprimento², mínimos quadrados pela origem sobre " +
                     buckling + " (erro padrão " + ShortDecimal(*b.standardError, 4) + ")");
    if (b.characteristic) {
      text += Line(kBucklingK, *b.characteristic, 4,
                   "kgf·cm²: " + characteristic + " das constantes dos " + buckling);
    } else {
      text += Missing(kBucklingK, "a dispersão dos ensaios o leva a zero ou abaixo");
    }
  } else {
    text += Missing(kBuckling, "são precisos ao menos " + std::to_string(kFewestBucklingTests) +
                                   " ensaios de flambagem (há " + std::to_string(b.tests) + ")");
  }
  if (c.weight.mean) {
    text += Line(
        kWeight, *c.weight.mean, 6,
        "g/cm de um fio: média de " + Plural(c.weight.weighings, "feixe pesado", "feixes pesados"));
  } else {
    text += Missing(kWeight, "nenhum feixe foi pesado");
  }
  return text;
}

MaterialRead LoadMaterial(const std::string& option, const std::string& modelFile) {
  const std::string folded = FoldedName(option);
  if (folded == "padrao") return {};
  std::string name = option;
  StrandMaterial::Origin origin = StrandMaterial::Origin::kFile;
  if (option.empty()) {
    // Beside the model: in its folder.
    const std::size_t slash = modelFile.find_last_of("/\\");
    name = (slash == std::string::npos ? std::string() : modelFile.substr(0, slash + 1)) +
           std::string(kMaterialFileName);
    if (!files::Exists(name)) return {};
    origin = StrandMaterial::Origin::kBesideModel;
  }
  const std::string shown = terminal::NameInUtf8(name);
  const files::ReadResult file = files::ReadWhole(name, kLargestMaterialFile);
  MaterialRead read;
  if (!file.outcome.ok()) {
    read.error = shown + ": não foi possível ler o material: " + files::InWords(file.outcome);
    return read;
  }
  read = ParseMaterialText(file.text);
  if (!read.error.empty()) {
    read.error = shown + ", " + read.error;
    return read;
  }
  read.material.origin = origin;
  read.material.file = shown;
  return read;
}

}  // namespace quivor::study
