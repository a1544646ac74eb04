// The benchmark program: Google Benchmark's main, with the LAPACK peer held
// to one thread and named in the report's context.
#include <benchmark/benchmark.h>

#ifdef QUIVOR_BENCH_LAPACK
#include <dlfcn.h>
#endif

#include <malloc.h>

#include <cstring>
#include <string>

#include "program_bench.hpp"
#include "solver_bench.hpp"

int main(int argc, char** argv) {
  // The whole-program benchmark starts the program through a fresh copy of
  // this binary, so that the program's peak memory is its own.
  if (argc >= 2 && std::strcmp(argv[1], quivor::bench::kRunProgramFlag) == 0) {
    return quivor::bench::RunProgramAndReport(argc - 2, argv + 2);
  }
  // Freed memory stays in this process: a benchmark's second iteration
  // reuses the pages of its first instead of asking the system for fresh
  // ones, whose first touch costs more than the work on a virtual machine
  // that backs memory lazily (see Environment/FirstTouch).
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, -1);
#ifdef QUIVOR_BENCH_LAPACK
  // OpenBLAS runs on one thread, like SolveBanded; another LAPACK has no
  // such switch and runs as it is.
  using SetThreads = void (*)(int);
  if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"))) {
    set(1);
    benchmark::AddCustomContext("lapack_threads", "1");
  }
  Dl_info info{};
  if (dladdr(quivor::bench::LapackEntry(), &info) != 0 && info.dli_fname != nullptr) {
    benchmark::AddCustomContext("lapack_library", info.dli_fname);
  }
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
