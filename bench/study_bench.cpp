// quivor-study against quivor on the largest legal model (1000 nodes, the
// widest band, 8 load cases): both real programs, run in turn in a folder of
// their own, so that each pair meets the machine in the same state. The
// study analyses the truss twice (quivor's analysis, then again with the
// bundles) and factors its stiffness once more for the mechanisms; the
// target is at most 2.5 times quivor's whole run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"
#include "model_files.hpp"
#include "study/study.hpp"

namespace quivor::bench {
namespace {

const TrussShape kLargest{1000, 8, true};

// The seconds of one run of `program` with `args`, standard input from
// `input`, in `folder`; negative when it did not end with status 0.
double TimeProgram(const std::string& folder, const char* program, std::vector<std::string> args,
                   const std::string& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(program)};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string here = std::filesystem::current_path().string();
  std::filesystem::current_path(folder);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = -1;
  const int spawned = posix_spawn(&child, program, &actions, nullptr, argv.data(), environ);
  int status = 0;
  const bool waited = spawned == 0 && waitpid(child, &status, 0) == child;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::filesystem::current_path(here);
  posix_spawn_file_actions_destroy(&actions);
  return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1.0;
}

void StudyOverQuivor(benchmark::State& state) {
  TemporaryFolder folder;
  folder.Write("largest.txt", TrussModel(kLargest));
  const std::string input = folder.Write("input", "largest\n\n");
  std::vector<double> ratios;
  double quivorSeconds = 0.0;
  for (auto _ : state) {
    const double study = TimeProgram(folder.path(), QUIVOR_STUDY_PROGRAM, {"largest"}, input);
    state.PauseTiming();
    const double quivor = TimeProgram(folder.path(), QUIVOR_PROGRAM, {}, input);
    state.ResumeTiming();
    if (study < 0 || quivor < 0) state.SkipWithError("a program failed");
    state.SetIterationTime(study);
    quivorSeconds += quivor;
    ratios.push_back(study / quivor);
  }
  std::sort(ratios.begin(), ratios.end());
  state.counters["quivor_ms"] = 1e3 * quivorSeconds / static_cast<double>(state.iterations());
  state.counters["median_study_over_quivor"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
}

// The study alone in this process, the model read once.
void StudyInProcess(benchmark::State& state) {
  const std::string text = TrussModel(kLargest);
  for (auto _ : state) {
    state.PauseTiming();
    Model model;
    InputUnit unit(kModelUnit, text);
    if (!ReadModelFile(unit, model).ok()) state.SkipWithError("not read");
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const study::Study study = study::StudyModel(model, {});
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!study.stable) state.SkipWithError("not stable");
  }
}

BENCHMARK(StudyOverQuivor)
    ->Name("Study/WholeRun_1000nodes_widest_8cases")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StudyInProcess)
    ->Name("Study/InProcess_1000nodes_widest_8cases")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quivor::bench
