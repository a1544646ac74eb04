// SolveBanded on four band shapes, 1 and 8 load cases, against the direct
// transcription of its loops and against LAPACK dpbsv (banded Cholesky) on
// the same well-conditioned band. Each iteration restores the band, untimed,
// and times the solution alone.
#include "solver_bench.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "analysis/reference_solver.hpp"
#include "analysis/solve_banded.hpp"
#include "model/arrays.hpp"

#ifdef QUIVOR_BENCH_LAPACK
extern "C" void dpbsv_(const char* uplo, const int* n, const int* kd, const int* nrhs, double* ab,
                       const int* ldab, double* b, const int* ldb, int* info,
                       std::size_t uploLength);
#endif

namespace quivor::bench {

void* LapackEntry() {
#ifdef QUIVOR_BENCH_LAPACK
  return reinterpret_cast<void*>(&dpbsv_);
#else
  return nullptr;
#endif
}

namespace {

// A symmetric band with a dominant positive diagonal (positive definite, so
// that Cholesky applies too) and random couplings; loads of both signs.
struct Problem {
  int nodeCount;
  int h;
  int cases;
  Array2<double> band;
  Array2<double> loads;
};

const Problem& GetProblem(int n, int h, int cases) {
  static std::map<std::tuple<int, int, int>, Problem> problems;
  auto key = std::tuple{n, h, cases};
  auto found = problems.find(key);
  if (found != problems.end()) return found->second;
  Problem& p = problems[key];
  p.nodeCount = n / 2;
  p.h = h;
  p.cases = cases;
  (void)Allocate(p.band, n, h);
  (void)Allocate(p.loads, n, cases);
  std::mt19937_64 random(static_cast<std::uint64_t>(n * 7919 + h));
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<double> rowSum(static_cast<std::size_t>(n) + 1, 0.0);
  for (int m = 2; m <= h; ++m) {
    for (int i = 1; i + m - 1 <= n; ++i) {
      const double x = value(random);
      p.band(i, m) = x;
      rowSum[static_cast<std::size_t>(i)] += std::abs(x);
      rowSum[static_cast<std::size_t>(i + m - 1)] += std::abs(x);
    }
  }
  for (int i = 1; i <= n; ++i) p.band(i, 1) = rowSum[static_cast<std::size_t>(i)] + 1.0;
  for (int j = 1; j <= cases; ++j) {
    for (int i = 1; i <= n; ++i) p.loads(i, j) = 100.0 * value(random);
  }
  return p;
}

// The time the calling thread spent on the processor, in seconds: steadier
// than the wall clock on a busy machine, for tuning.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <class Solve>
void TimeSolver(benchmark::State& state, Solve solve, bool threadTime = false) {
  const int n = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const int cases = static_cast<int>(state.range(2));
  const Problem& p = GetProblem(n, h, cases);
  Array2<double> band, displacement;
  Array1<double> work;
  (void)Allocate(band, n, h);
  (void)Allocate(displacement, n, cases);
  (void)Allocate(work, h);
  for (auto _ : state) {
    std::memcpy(band.data(), p.band.data(), p.band.size() * sizeof(double));
    const double threadStart = threadTime ? ThreadSeconds() : 0.0;
    const auto start = std::chrono::steady_clock::now();
    const SolveOutcome outcome = solve(band, p, displacement, work);
    const auto stop = std::chrono::steady_clock::now();
    if (outcome != SolveOutcome::kSolved) state.SkipWithError("singular");
    state.SetIterationTime(threadTime ? ThreadSeconds() - threadStart
                                      : std::chrono::duration<double>(stop - start).count());
    benchmark::DoNotOptimize(displacement.data());
  }
  // Multiplications and subtractions of the elimination.
  double cells = 0.0;
  for (int k = 1; k < n; ++k) {
    const double r = std::min(h - 1, n - k);
    cells += r * (r + 1) / 2;
  }
  state.counters["GFLOP/s"] = benchmark::Counter(
      2.0 * cells, benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
}

void SolveBandedDefault(benchmark::State& state) {
  TimeSolver(state, [](Array2<double>& band, const Problem& p, Array2<double>& u,
                       Array1<double>& w) {
    return SolveBanded(band, p.loads, u, static_cast<std::int16_t>(p.cases),
                       static_cast<std::int16_t>(p.h), static_cast<std::int16_t>(p.nodeCount), w);
  });
}

template <SolverKernel kKernel>
void SolveBandedKernel(benchmark::State& state) {
  if (!IsAvailable(kKernel)) {
    state.SkipWithError("not available on this processor");
    for (auto _ : state) {
    }
    return;
  }
  TimeSolver(
      state, [](Array2<double>& band, const Problem& p, Array2<double>& u, Array1<double>& w) {
        return SolveBandedWith(kKernel, DefaultPanelRows(p.h), band, p.loads, u,
                               static_cast<std::int16_t>(p.cases), static_cast<std::int16_t>(p.h),
                               static_cast<std::int16_t>(p.nodeCount), w);
      });
}

void DirectTranscription(benchmark::State& state) {
  TimeSolver(
      state, [](Array2<double>& band, const Problem& p, Array2<double>& u, Array1<double>& w) {
        return test::ReferenceSolveBanded(band, p.loads, u, static_cast<std::int16_t>(p.cases),
                                          static_cast<std::int16_t>(p.h),
                                          static_cast<std::int16_t>(p.nodeCount), w);
      });
}

#ifdef QUIVOR_BENCH_LAPACK
// dpbsv on the same matrix in LAPACK's upper band storage: AB(kd+1+i-j, j)
// = K(i, j), with kd = h - 1. The band is copied in, untimed.
void LapackDpbsv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const int cases = static_cast<int>(state.range(2));
  const Problem& p = GetProblem(n, h, cases);
  const int kd = h - 1;
  const int ldab = kd + 1;
  const std::size_t abSize = static_cast<std::size_t>(ldab) * static_cast<std::size_t>(n);
  std::vector<double> ab(abSize), b(static_cast<std::size_t>(n) * static_cast<std::size_t>(cases));
  for (auto _ : state) {
    for (int j = 1; j <= n; ++j) {
      for (int i = std::max(1, j - kd); i <= j; ++i) {
        ab[static_cast<std::size_t>(kd + i - j) +
           static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ldab)] = p.band(i, j - i + 1);
      }
    }
    std::memcpy(b.data(), p.loads.data(), b.size() * sizeof(double));
    int info = 0;
    const auto start = std::chrono::steady_clock::now();
    dpbsv_("U", &n, &kd, &cases, ab.data(), &ldab, b.data(), &n, &info, 1);
    const auto stop = std::chrono::steady_clock::now();
    if (info != 0) state.SkipWithError("dpbsv failed");
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    benchmark::DoNotOptimize(b.data());
  }
}
#endif

void Shapes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"n", "h", "cases"});
  for (int cases : {1, 8}) {
    for (auto [n, h] : {std::pair{2000, 2000}, {2000, 402}, {2000, 42}, {200, 22}}) {
      b->Args({n, h, cases});
    }
  }
  b->UseManualTime()->Unit(benchmark::kMicrosecond);
}

BENCHMARK(SolveBandedDefault)->Name("Solver/SolveBanded")->Apply(Shapes);
BENCHMARK(SolveBandedKernel<SolverKernel::kAvx512>)
    ->Name("Solver/SolveBanded_avx512")
    ->Apply(Shapes);
BENCHMARK(SolveBandedKernel<SolverKernel::kAvx2>)->Name("Solver/SolveBanded_avx2")->Apply(Shapes);
BENCHMARK(SolveBandedKernel<SolverKernel::kPlain>)->Name("Solver/SolveBanded_plain")->Apply(Shapes);
BENCHMARK(DirectTranscription)->Name("Solver/DirectTranscription")->Apply(Shapes);
#ifdef QUIVOR_BENCH_LAPACK
BENCHMARK(LapackDpbsv)->Name("Solver/LapackDpbsv")->Apply(Shapes);
#endif

}  // namespace
}  // namespace quivor::bench

namespace quivor::bench {
namespace {
// Tuning: the fastest kernel at a given number of steps per block.
void SolveBandedPanel(benchmark::State& state) {
  const int panelRows = static_cast<int>(state.range(3));
  TimeSolver(
      state,
      [panelRows](Array2<double>& band, const Problem& p, Array2<double>& u, Array1<double>& w) {
        return SolveBandedWith(SolverKernel::kAvx512, panelRows, band, p.loads, u,
                               static_cast<std::int16_t>(p.cases), static_cast<std::int16_t>(p.h),
                               static_cast<std::int16_t>(p.nodeCount), w);
      },
      true);
}
BENCHMARK(SolveBandedPanel)
    ->Name("Tuning/Panel")
    ->ArgNames({"n", "h", "cases", "panel"})
    ->ArgsProduct({{2000}, {48, 64, 80, 96, 128}, {1}, {0, 32, 64, 128}})
    ->ArgsProduct({{2000}, {402, 2000}, {1}, {64, 80, 96, 112, 128, 160}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
}  // namespace
}  // namespace quivor::bench
