// quivor: design of plane truss bridges made of spaghetti strands.
//
// One pass: read the model named at the console, analyse the truss by the
// direct stiffness method, size every bar as a bundle of strands, write the
// report. A failed file operation, read or allocation ends the run with a
// fatal error report; a model that breaks its own rules is rejected with a
// message (status 2); a singular stiffness matrix stops the run (status 1).
#include <string>

#include "main/analyse_model.hpp"
#include "main/console_dialogue.hpp"
#include "main/fatal_error.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "platform/platform.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor {
namespace {

constexpr unsigned kStatusSingular = 1;
constexpr unsigned kStatusRejected = 2;

// The names of the two files, for the fatal error reports.
struct FileNames {
  std::string model;
  std::string results;
};

// Ends the run with the fatal error report when `failure` failed.
void Check(const Failure& failure, const FileNames& names) {
  if (!failure.failed()) return;
  std::string file = "CONIN$";
  if (failure.unit == kModelUnit) file = platform::FullPath(names.model);
  if (failure.unit == kResultsUnit) file = platform::FullPath(names.results);
  ReportFatalError(failure, file);
}

int Run() {
  FileNames names;
  // 1. Start-up: floating-point exceptions stay masked, as they are by default.
  TextOutputUnit console = TextOutputUnit::Console();
  InputUnit keyboard(kConsoleUnit, platform::kNoFile);

  // 2-3. Banner and prompt.
  WriteBanner(console);
  WritePrompt(console);

  // 4-5. The model name, right-justified.
  ModelName modelName;
  Check(ReadModelName(keyboard, modelName), names);
  names.model = FileName(modelName, ".txt");
  names.results = FileName(modelName, ".rtf");

  // 6-7. The model file, read whole and closed before any analysis.
  Model model;
  platform::OpenResult modelFile = platform::OpenForReading(names.model, kModelUnit);
  Check(modelFile.failure, names);
  ModelStatus read;
  {
    InputUnit modelUnit(kModelUnit, modelFile.file);
    read = ReadModelFile(modelUnit, model);
  }
  platform::CloseFile(modelFile.file);
  Check(read.failure, names);
  if (read.rejection) {
    platform::WriteError(RejectionText(*read.rejection) + "\r\n");
    platform::ExitProcess(kStatusRejected);
  }

  // 8. Bandwidth, assembly, supports, solution, bar forces and sizing.
  Results results;
  AnalysisStatus analysed = AnalyseModel(model, results);
  Check(analysed.failure, names);
  if (analysed.singular) {
    WriteFreeFormRecord(console, {" Matriz singular"});
    Check(WaitForEnter(keyboard), names);
    platform::ExitProcess(kStatusSingular);
  }

  // 9. Closing notice.
  const std::string displayedName = DisplayedName(modelName);
  WriteClosingNotice(console, displayedName);

  // 10-12. The results file: created or written over, written, closed.
  platform::OpenResult resultsFile = platform::CreateForWriting(names.results, kResultsUnit);
  Check(resultsFile.failure, names);
  {
    TextOutputUnit report(kResultsUnit, resultsFile.file);
    WriteResultsReport(report, displayedName, model, results);
    Failure written = report.Flush();
    if (written.failed()) platform::CloseFile(resultsFile.file);
    Check(written, names);
  }
  platform::CloseFile(resultsFile.file);

  // 13-14. An empty record; every array released.
  WriteFreeFormRecord(console, {});
  model = Model{};
  results = Results{};

  // 15-16. Wait for Enter, then end.
  Check(WaitForEnter(keyboard), names);
  return 0;
}

}  // namespace
}  // namespace quivor

int main() { return quivor::Run(); }
