// The whole program on the largest legal model: 1000 nodes, the widest band
// (a bar from the first node to the last: 2000 x 2000) and 8 load cases.
// The real binary runs in a folder of its own; its wall time and peak
// resident memory are compared with the time of SolveBanded alone on the
// same model and with the bytes of the arrays the run must hold.
#include "program_bench.hpp"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/apply_supports.hpp"
#include "analysis/assemble_stiffness.hpp"
#include "analysis/half_bandwidth.hpp"
#include "analysis/solve_banded.hpp"
#include "main/analyse_model.hpp"
#include "model/free_form_read.hpp"
#include "model/model.hpp"
#include "model/read_model_file.hpp"
#include "model_files.hpp"
#include "platform/platform.hpp"
#include "report/record_writer.hpp"
#include "report/results_report.hpp"

namespace quivor::bench {
namespace {

const TrussShape kLargest{1000, 8, true};

struct LargestModel {
  TemporaryFolder folder;
  std::string text;
  int barCount = 0;

  LargestModel() {
    text = TrussModel(kLargest, &barCount);
    folder.Write("largest.txt", text);
    // The name at the prompt, then Enter at the final wait.
    folder.Write("input", "largest\n\n");
  }
};

const LargestModel& Largest() {
  static const LargestModel model;
  return model;
}

// The bytes of the fifteen arrays of a run, which all live until the report
// is written, and of the label map.
double ArrayBytes(const LargestModel& m) {
  const double nodes = kLargest.nodeCount, bars = m.barCount, cases = kLargest.loadCaseCount;
  const double n = 2 * nodes, h = 2 * nodes, supports = 2;
  return 2 * nodes + 16 * nodes + 2 * bars + 4 * bars + 6 * supports + 8 * n * cases  // model
         + 8 * n * h + 8 * h + 8 * n * cases                                          // solver
         + 8 * bars * cases + 8 * n * cases                                           // forces
         + 4 * bars * cases + 8 * bars + 8 * bars * cases + 8 * cases                 // sizing
         + 2 * kMaxNodeLabel;
}

}  // namespace

int RunProgramAndReport(int argc, char** argv) {
  if (argc != 2) return 2;
  const char* folder = argv[0];
  const char* input = argv[1];
  // The launcher opens the files and moves to the folder itself, then
  // spawns the program without copying its own memory map (posix_spawn).
  const int in = open(input, O_RDONLY);
  const int out = open("/dev/null", O_WRONLY);
  if (in < 0 || out < 0 || chdir(folder) != 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in, 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  char* const programArgs[] = {const_cast<char*>(QUIVOR_PROGRAM), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t child = -1;
  const int spawned = posix_spawn(&child, QUIVOR_PROGRAM, &actions, nullptr, programArgs, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return 1;
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.9f %ld %ld\n", seconds, usage.ru_maxrss * 1024L, usage.ru_minflt);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

namespace {

// Runs the program once through a fresh launcher; false when it failed.
struct Run {
  double seconds = 0.0;
  double peakBytes = 0.0;
  double pageFaults = 0.0;
};
bool RunProgram(const LargestModel& m, Run& run) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  const std::string input = m.folder.path() + "/input";
  const pid_t launcher = fork();
  if (launcher == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], 1);
    execl("/proc/self/exe", "quivor_bench", kRunProgramFlag, m.folder.path().c_str(), input.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  char text[128] = {};
  const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
  close(pipeEnds[0]);
  int status = 0;
  if (launcher < 0 || waitpid(launcher, &status, 0) != launcher || got <= 0) return false;
  long peak = 0, faults = 0;
  if (std::sscanf(text, "%lf %ld %ld", &run.seconds, &peak, &faults) != 3) return false;
  run.peakBytes = static_cast<double>(peak);
  run.pageFaults = static_cast<double>(faults);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// SolveBanded alone, on the band the program assembles for the same model:
// each call solves a fresh copy of the assembled band.
struct AssembledBand {
  Model model;
  std::int16_t h = 0;
  Array2<double> assembled, band, displacement;
  Array1<double> work;

  explicit AssembledBand(const LargestModel& m) {
    InputUnit unit(kModelUnit, m.text);
    (void)ReadModelFile(unit, model);
    ComputeHalfBandwidth(model.barCount, h, model.barNodes, model.nodeIndexOfLabel);
    const int n = 2 * model.nodeCount;
    (void)Allocate(assembled, n, h);
    (void)Allocate(band, n, h);
    (void)Allocate(displacement, n, model.loadCaseCount);
    (void)Allocate(work, h);
    AssembleStiffness(model.nodeIndexOfLabel, model.barNodes, model.nodeCoord, kElasticModulus,
                      kStrandArea, assembled, model.barCount);
    ApplySupports(model.supportCount, assembled, model.loadCaseCount, model.supportTable,
                  model.loadMatrix, h, model.nodeCount);
  }

  // The seconds of one solution; negative when it failed.
  double SolveOnce() {
    std::copy(assembled.data(), assembled.data() + assembled.size(), band.data());
    const auto start = std::chrono::steady_clock::now();
    const SolveOutcome outcome = SolveBanded(band, model.loadMatrix, displacement,
                                             model.loadCaseCount, h, model.nodeCount, work);
    const auto stop = std::chrono::steady_clock::now();
    if (outcome != SolveOutcome::kSolved) return -1.0;
    return std::chrono::duration<double>(stop - start).count();
  }
};

// The program as it is, from exec to exit. Each run is followed by one
// SolveBanded on the same model in this process, so that the ratio of the
// two comes from the same moments of a machine whose speed drifts.
void WholeProgram(benchmark::State& state) {
  const LargestModel& m = Largest();
  AssembledBand solve(m);
  double peak = 0.0, faults = 0.0, wholeSeconds = 0.0, solveSeconds = 0.0;
  std::vector<double> ratios;
  for (auto _ : state) {
    Run run;
    if (!RunProgram(m, run)) state.SkipWithError("the program failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakBytes);
    faults = std::max(faults, run.pageFaults);
    state.PauseTiming();
    const double solveOnce = solve.SolveOnce();
    wholeSeconds += run.seconds;
    solveSeconds += solveOnce;
    ratios.push_back(run.seconds / solveOnce);
    state.ResumeTiming();
  }
  // The median of the pairs: a run that met memory the host had taken back
  // (tens of milliseconds to fault in again) moves the sums, not the median.
  std::sort(ratios.begin(), ratios.end());
  const std::size_t half = ratios.size() / 2;
  const double medianRatio =
      ratios.empty()
          ? 0.0
          : (ratios.size() % 2 != 0 ? ratios[half] : (ratios[half - 1] + ratios[half]) / 2);
  const double arrays = ArrayBytes(m);
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["arrays_MB"] = arrays / 1e6;
  state.counters["peak_over_arrays"] = peak / arrays;
  state.counters["page_faults"] = faults;
  state.counters["interleaved_solve_ms"] =
      1e3 * solveSeconds / static_cast<double>(state.iterations());
  state.counters["whole_over_interleaved_solve"] = wholeSeconds / solveSeconds;
  state.counters["median_whole_over_solve"] = medianRatio;
}

void SolveOnly(benchmark::State& state) {
  AssembledBand solve(Largest());
  for (auto _ : state) {
    const double seconds = solve.SolveOnce();
    if (seconds < 0) state.SkipWithError("singular");
    state.SetIterationTime(seconds);
  }
  state.counters["h"] = solve.h;
}

// The cost of memory the process has never touched: 32 MB (the size of the
// largest band) written once in a fresh mapping of small pages (pages:1), in
// fresh storage from the platform layer, which advises huge pages (pages:2),
// and a second time in memory already written (pages:0). On a virtual
// machine that backs its memory lazily each fresh page costs a trip to the
// host; a huge page makes one trip for 512 small ones.
void FirstTouch(benchmark::State& state) {
  const std::size_t bytes = 32'000'000;
  const auto pages = state.range(0);
  void* kept = nullptr;
  if (pages == 0) {
    kept = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    std::memset(kept, 1, bytes);
  }
  for (auto _ : state) {
    void* p = kept;
    if (pages == 1) {
      p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      madvise(p, bytes, MADV_NOHUGEPAGE);
    }
    if (pages == 2) p = platform::AllocateZeroed(bytes);
    const auto start = std::chrono::steady_clock::now();
    std::memset(p, 0, bytes);
    benchmark::ClobberMemory();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (pages == 1) munmap(p, bytes);
    if (pages == 2) platform::FreeZeroed(p, bytes);
  }
  if (kept != nullptr) munmap(kept, bytes);
  state.counters["us_per_4KiB_page"] = benchmark::Counter(
      static_cast<double>(bytes) / 4096.0 / 1e6,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(FirstTouch)
    ->Name("Environment/FirstTouch_32MB")
    ->ArgName("pages")
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// The program's own work without a new process: the model file read,
// the analysis (the solution included) and the report written to a file,
// as the main program does them. Small blocks reuse memory this process has
// used before; large ones come fresh from the system, as in the program.
// What the whole run adds beyond this is process start-up and exit, and the
// first touch of its small blocks.
void InProcess(benchmark::State& state) {
  const LargestModel& m = Largest();
  const std::string modelFile = m.folder.path() + "/largest.txt";
  const std::string resultsFile = m.folder.path() + "/inprocess.rtf";
  const std::string displayedName = "largest" + std::string(43, ' ');
  double read = 0.0, analyse = 0.0, report = 0.0;
  auto since = [](std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  };
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    Model model;
    platform::OpenResult opened = platform::OpenForReading(modelFile, kModelUnit);
    ModelStatus status;
    {
      InputUnit unit(kModelUnit, opened.file);
      status = ReadModelFile(unit, model);
    }
    platform::CloseFile(opened.file);
    read += since(start);
    auto phase = std::chrono::steady_clock::now();
    Results results;
    const AnalysisStatus analysed = AnalyseModel(model, results);
    analyse += since(phase);
    phase = std::chrono::steady_clock::now();
    platform::OpenResult created = platform::CreateForWriting(resultsFile, kResultsUnit);
    {
      TextOutputUnit unit(kResultsUnit, created.file);
      WriteResultsReport(unit, displayedName, model, results);
      if (unit.Flush().failed()) state.SkipWithError("the report was not written");
    }
    platform::CloseFile(created.file);
    report += since(phase);
    if (!status.ok() || analysed.failure.failed() || analysed.singular) {
      state.SkipWithError("the run failed");
    }
    state.SetIterationTime(since(start));
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["read_ms"] = 1e3 * read / runs;
  state.counters["analyse_ms"] = 1e3 * analyse / runs;
  state.counters["report_ms"] = 1e3 * report / runs;
}

BENCHMARK(InProcess)
    ->Name("Program/InProcessRun_1000nodes_widest_8cases")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WholeProgram)
    ->Name("Program/WholeRun_1000nodes_widest_8cases")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SolveOnly)
    ->Name("Program/SolveBandedOnly_1000nodes_widest_8cases")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quivor::bench
