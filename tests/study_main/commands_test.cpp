// Every file the command writes, written whole or not at all: each output of
// each subcommand, run in this process, with its write failing at its first,
// middle or last byte or at its rename, leaves the earlier file as it was
// (or none) and no temporary.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/files.hpp"
#include "platform/terminal.hpp"
#include "study_main/options.hpp"
#include "study_main/scratch_folder.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quivor::study {
int Run(const std::vector<std::string>& arguments);
}  // namespace quivor::study

namespace quivor::files {
namespace {

using CommandsTest = ScratchFolder;

const std::string kModel =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n2\n1\n0 0\n2\n1 0\n1\n1\n3\n"
    "0.0\n-5.0\n2.0\n3.0\n";
// Listed out of order: renumerar finds it a narrower band.
const std::string kChain =
    "4\n3\n1 0.0 0.0\n2 20.0 0.0\n3 30.0 0.0\n4 10.0 0.0\n1 1 4\n2 4 2\n3 2 3\n1\n1\n0 0\n1\n0\n"
    "2.0\n3.0\n";
const std::string kEarlier = "o arquivo de antes\n";
const std::string kTests =
    "tipo;fios;comprimento;carga\ntracao;1;;4,1\ntracao;1;;3,9\ntracao;1;;4,0\n"
    "flambagem;3;10;1,5\nflambagem;4;10;2,6\nflambagem;5;15;1,8\n";

int RunCommand(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "quivor-study");
  return study::Run(arguments);
}

// The folder as a test starts it: the model alone, and an earlier output
// when asked.
void Reset(const std::string& output, bool earlier) {
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    std::filesystem::remove_all(entry.path());
  }
  ScratchFolder::Put("ponte.txt", kModel);
  ScratchFolder::Put("cadeia.txt", kChain);
  ScratchFolder::Put("ensaios.csv", kTests);
  if (earlier) ScratchFolder::Put(output, kEarlier);
}

struct Output {
  const char* what;
  std::vector<std::string> arguments;
  std::string file;
  int skipped;   // the writes before this one's
  bool creates;  // never over an earlier file, unless --substituir is added
};

TEST_F(CommandsTest, EveryOutputIsWrittenWholeOrNotAtAll) {
  std::vector<Output> outputs = {
      {"study table", {"ponte", "--csv", "--sem-pagina"}, "ponte.csv", 0, false},
      {"study page", {"ponte"}, "ponte.html", 0, false},
      {"study page after the table", {"ponte", "--csv"}, "ponte.html", 1, false},
      {"study table in JSON mode", {"ponte", "--json", "--csv"}, "ponte.csv", 0, false},
      {"ranking table", {"ranking"}, "ranking.csv", 0, false},
      {"new model", {"nova", "novo", "--carga", "5"}, "novo.txt", 0, true},
      {"renumbered model", {"renumerar", "cadeia"}, "cadeia-renumerado.txt", 0, true},
      {"optimized model", {"otimizar", "ponte"}, "ponte-otimizado.txt", 0, true},
      {"optimized model's page", {"otimizar", "ponte"}, "ponte-otimizado.html", 1, true},
      {"strand's values", {"calibrar", "ensaios"}, "espaguete.txt", 0, true},
      {"tests' page", {"calibrar", "ensaios"}, "ensaios.html", 1, false},
  };
  for (std::size_t i = 0, n = outputs.size(); i < n; ++i) {
    if (!outputs[i].creates) continue;
    Output over = outputs[i];
    over.arguments.push_back("--substituir");
    over.creates = false;
    outputs.push_back(over);
  }
  for (const Output& output : outputs) {
    SCOPED_TRACE(output.what);
    // A clean run: the output's size.
    Reset(output.file, false);
    ASSERT_EQ(RunCommand(output.arguments), study::kStatusStudied);
    const std::size_t size = Bytes(output.file).size();
    ASSERT_GT(size, 1u);

    const std::size_t afterBytes[] = {0, size / 2, size - 1};
    for (int failure = 0; failure < 4; ++failure) {
      for (const bool earlier : {false, true}) {
        if (earlier && output.creates) continue;
        SCOPED_TRACE("failure " + std::to_string(failure) + (earlier ? ", earlier file" : ""));
        Reset(output.file, earlier);
        if (failure < 3) {
          SimulateWriteFailure(afterBytes[failure], output.skipped);
        } else {
          SimulateRenameFailure(output.skipped);
        }
        EXPECT_EQ(RunCommand(output.arguments), study::kStatusOutputFile);
        ClearSimulated();
        if (earlier) {
          EXPECT_EQ(Bytes(output.file), kEarlier);
        } else {
          EXPECT_FALSE(std::filesystem::exists(output.file));
        }
        for (const std::string& entry : Entries()) EXPECT_FALSE(IsTemporaryName(entry)) << entry;
      }
    }
  }
}

// An existing name, even a link to nothing, is never written without
// --substituir.
TEST_F(CommandsTest, ANewFileNeverGoesOverAnExistingName) {
  Reset("novo.txt", true);
  EXPECT_EQ(RunCommand({"nova", "novo", "--carga", "5"}), study::kStatusOutputFile);
  EXPECT_EQ(Bytes("novo.txt"), kEarlier);
#ifndef _WIN32
  std::filesystem::create_symlink("para-nada.txt", "sl.txt");
  EXPECT_EQ(RunCommand({"nova", "sl", "--carga", "5"}), study::kStatusOutputFile);
  EXPECT_FALSE(std::filesystem::exists("para-nada.txt"));
  std::filesystem::create_symlink("para-nada.txt", "cadeia-renumerado.txt");
  EXPECT_EQ(RunCommand({"renumerar", "cadeia"}), study::kStatusOutputFile);
  EXPECT_FALSE(std::filesystem::exists("para-nada.txt"));
  std::filesystem::create_symlink("para-nada.txt", "ponte-otimizado.html");
  EXPECT_EQ(RunCommand({"otimizar", "ponte"}), study::kStatusOutputFile);
  EXPECT_FALSE(std::filesystem::exists("para-nada.txt"));
  EXPECT_FALSE(std::filesystem::exists("ponte-otimizado.txt"));
#endif
}

#ifndef _WIN32
// Standard output that cannot be written (a full disk) ends every command
// with status 4, said on standard error.
TEST_F(CommandsTest, StandardOutputThatCannotBeWrittenEndsWithStatus4) {
  const std::vector<std::string> commands[] = {
      {"ponte", "--json", "--sem-pagina"},
      {"ponte", "--sem-pagina"},
      {"--help"},
      {"--version"},
      {"nova", "novo", "--carga", "5"},
      {"ranking"},
      {"renumerar", "cadeia"},
      {"otimizar", "ponte"},
  };
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command[0]);
    Reset("nenhum", false);
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ::dup2(full, STDOUT_FILENO);
    ::close(full);
    const int status = RunCommand(command);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    EXPECT_EQ(status, study::kStatusOutputFile);
    EXPECT_TRUE(terminal::OutputFailed());
    EXPECT_EQ(terminal::OutputFailure().cause, Cause::kDiskFull);
    terminal::ForgetOutputFailure();
  }
  // Once it can be written again, a command ends as it should.
  EXPECT_EQ(RunCommand({"ponte", "--sem-pagina"}), study::kStatusStudied);
}
#endif

#ifndef _WIN32
// A page that showed the shape before its optimization and can no longer
// (the earlier model is gone) is written all the same, and says what it
// lost on standard error.
TEST_F(CommandsTest, AnOptimizedPageThatLosesItsEarlierViewSaysSo) {
  Reset("nenhum", false);
  std::filesystem::rename("ponte.txt", "ponte-otimizado.txt");
  ScratchFolder::Put("ponte-otimizado.html", "<p>Antes da otimização</p>\n");
  std::fflush(stderr);
  const int saved = ::dup(STDERR_FILENO);
  std::FILE* captured = std::tmpfile();
  ASSERT_NE(captured, nullptr);
  ::dup2(::fileno(captured), STDERR_FILENO);
  const int status = RunCommand({"ponte-otimizado"});
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  std::rewind(captured);
  std::string said;
  for (int c = std::fgetc(captured); c != EOF; c = std::fgetc(captured))
    said += static_cast<char>(c);
  std::fclose(captured);
  EXPECT_EQ(status, study::kStatusStudied);
  EXPECT_NE(said.find("ponte-otimizado.html perde a vista \"Antes da otimização\""),
            std::string::npos)
      << said;
  EXPECT_NE(Bytes("ponte-otimizado.html").find("<svg"), std::string::npos);
}
#endif

}  // namespace
}  // namespace quivor::files
