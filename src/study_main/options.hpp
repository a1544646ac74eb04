// The command line of quivor-study, parsed by CLI11; --help is generated
// from the definitions, in Portuguese.
#pragma once

#include <optional>
#include <string>

#include "generate/bridge_model.hpp"
#include "optimize/layout.hpp"
#include "study/study.hpp"

namespace quivor::study {

// Exit statuses of quivor-study.
inline constexpr int kStatusStudied = 0;
inline constexpr int kStatusMechanism = 1;
inline constexpr int kStatusUsage = 2;
inline constexpr int kStatusModelFile = 3;
inline constexpr int kStatusOutputFile = 4;  // a file the study writes could not be written

enum class Command {
  kStudy,      // quivor-study NAME
  kNew,        // quivor-study nova NAME: a first model
  kRanking,    // quivor-study ranking [FOLDER]: every model of a folder
  kRenumber,   // quivor-study renumerar NAME: the node order for a narrow band
  kOptimize,   // quivor-study otimizar NAME: the nodes moved for a lighter bridge
  kCalibrate,  // quivor-study calibrar TESTS: the team's strand from its tests
};

struct CommandLine {
  Command command = Command::kStudy;
  std::string model;  // as typed; empty: ask for it at the console
  StudyOptions options;
  bool json = false;
  bool csv = false;
  bool page = true;                // writes NAME.html
  bool open = false;               // opens it in the browser when the study is done
  bool watch = false;              // studies again each time the model is saved
  generate::BridgeRequest bridge;  // nova
  bool replace = false;            // nova, renumerar, otimizar: write over an existing file
  std::string folder = ".";        // ranking
  optimize::ShapeRules shape;      // otimizar
  // --material as given ("padrao" for quivor's own strand); empty: the
  // study looks for espaguete.txt beside the model.
  std::string material;
  std::string tests;  // calibrar: the tests' table, as typed
};

struct ParsedCommandLine {
  std::optional<CommandLine> run;  // empty: nothing to do, end with `status`
  int status = kStatusStudied;
  std::string out;  // for standard output (--help, --version)
  std::string err;  // for standard error (a usage error)
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace quivor::study
