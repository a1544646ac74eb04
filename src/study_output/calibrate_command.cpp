// The calibration command: read, fit, show, write.
#include "study_output/calibrate_command.hpp"

#include "platform/files.hpp"
#include "platform/terminal.hpp"
#include "study/calibration.hpp"
#include "study_main/options.hpp"
#include "study_output/calibration_output.hpp"
#include "study_output/material_file.hpp"
#include "study_output/test_table.hpp"

namespace quivor::study {
namespace {

// Larger than any table of tests a team writes.
constexpr std::size_t kLargestTable = std::size_t{16} << 20;

bool EndsWithCsv(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ending = name.substr(name.size() - 4);
  for (char& c : ending) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ending == ".csv";
}

bool Write(const std::string& name, const std::string& bytes, bool replace) {
  const files::Outcome outcome = files::WriteWhole(name, bytes, replace);
  if (outcome.ok()) return true;
  if (outcome.cause == files::Cause::kExists) {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                       " já existe; para escrever por cima dele, use --substituir\n");
  } else {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(name) +
                       ": não foi possível escrever o arquivo: " + files::InWords(outcome) + "\n");
  }
  return false;
}

}  // namespace

int CalibrateTests(const std::string& tests, bool page, bool replace) {
  const std::string tableName = EndsWithCsv(tests) ? tests : tests + ".csv";
  const std::string stem = tableName.substr(0, tableName.size() - 4);
  const std::size_t slash = tableName.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : tableName.substr(0, slash + 1);
  const std::string materialName = folder + std::string(kMaterialFileName);
  const std::string pageName = stem + ".html";
  const std::string shown = terminal::NameInUtf8(tableName);

  const files::ReadResult file = files::ReadWhole(tableName, kLargestTable);
  if (!file.outcome.ok()) {
    terminal::WriteErr("quivor-study: " + shown + ": não foi possível ler a tabela de ensaios: " +
                       files::InWords(file.outcome) + "\n");
    return kStatusModelFile;
  }
  const TestTable table = ReadTestTable(file.text);
  if (!table.errors.empty()) {
    std::string errors;
    for (const std::string& error : table.errors) {
      errors += "quivor-study: " + shown + ", " + error + "\n";
    }
    terminal::WriteErr(errors + "quivor-study: nada foi escrito; corrija " +
                       (table.errors.size() == 1 ? "a linha" : "as linhas") + " e rode de novo\n");
    return kStatusModelFile;
  }
  if (!replace && files::Exists(materialName)) {
    terminal::WriteErr("quivor-study: " + terminal::NameInUtf8(materialName) +
                       " já existe; para escrever por cima dele, use --substituir\n");
    return kStatusOutputFile;
  }

  const Calibration calibration = Calibrate(table.tests);
  terminal::WriteOut(CalibrationReport(shown, table.tests, calibration));
  terminal::WriteOut("\n");
  if (!Write(materialName, MaterialFileText(calibration, shown), replace)) {
    return kStatusOutputFile;
  }
  terminal::WriteOut(
      "Valores do espaguete, para --material: " + terminal::NameInUtf8(materialName) + ".\n");
  if (page) {
    if (!Write(pageName, CalibrationPageHtml(shown, table.tests, calibration), true)) {
      return kStatusOutputFile;
    }
    terminal::WriteOut("Página dos ensaios: " + terminal::NameInUtf8(pageName) + ".\n");
  }
  return kStatusStudied;
}

}  // namespace quivor::study
