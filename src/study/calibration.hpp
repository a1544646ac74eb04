// The team's strand from the team's tests: a strand or a bundle pulled
// until it breaks (tension), bundles pressed until they buckle (buckling),
// and bundles weighed. Data in, data out.
//
// Tension: each test gives the load per strand, load / strands; the mean,
// and the characteristic value as the 5% lower value of a normal fit:
// mean - 1.645 * the sample standard deviation.
// Buckling: load = K * x, x = strands^2 / length^2 (Euler's load of a
// bundle), K by least squares through the origin: K = sum(x*load) /
// sum(x^2); its standard error s / sqrt(sum(x^2)), s the residuals' sample
// deviation (n - 1 degrees of freedom). The characteristic K is the 5%
// lower value of the tests' own constants, load / x, in a normal fit about
// the fitted K: K - 1.645 * sqrt(sum((load/x - K)^2) / (n - 1)).
// Weight: each weighed bundle gives weight / (strands * length), g/cm per
// strand; the mean.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quivor::study {

// The fewest tests a value is worked out from; with fewer it is left out.
inline constexpr int kFewestTensionTests = 2;                // the mean
inline constexpr int kFewestTensionTestsCharacteristic = 3;  // the characteristic value
inline constexpr int kFewestBucklingTests = 3;               // K and its characteristic value
inline constexpr int kFewestWeighings = 1;
// A test stands far from the others when its value (kgf per strand, or its
// own constant load / x) lies more than this many robust deviations from
// the tests' median: the modified z-score of Iglewicz and Hoaglin,
// 0.6745 * |value - median| / MAD, MAD the median of the absolute
// deviations from the median (with 1.2533 times their mean in its place
// where it is 0). A median and MAD are not pulled by the bad test itself,
// as a mean and a deviation are with few tests. Such a test is left out of
// nothing, only named so that the team may look at it again. Needs at
// least kFewestForOutliers tests.
inline constexpr double kOutlierScore = 3.5;
inline constexpr int kFewestForOutliers = 4;
// The normal distribution's 5% lower quantile, in standard deviations.
inline constexpr double kLowerFivePercent = 1.645;

enum class TestKind { kTension, kBuckling };

struct StrandTest {
  std::int64_t line = 0;  // of the table, for messages
  TestKind kind = TestKind::kTension;
  int strands = 0;
  std::optional<double> length;        // cm, the free length (buckling)
  double load = 0.0;                   // kgf at failure
  std::optional<double> weight;        // g, the bundle weighed
  std::optional<double> bundleLength;  // cm, the bundle weighed
};

// A test that stands far from the others.
struct FarTest {
  std::int64_t line;
  double value;   // its own value: kgf per strand, or load / x
  double median;  // the tests' median
};

struct TensionFit {
  int tests = 0;
  std::optional<double> mean;            // kgf per strand
  std::optional<double> deviation;       // the sample standard deviation
  std::optional<double> characteristic;  // mean - 1.645 * deviation; left out unless > 0
  std::vector<FarTest> far;
};

struct BucklingFit {
  int tests = 0;
  std::optional<double> constant;        // K, kgf*cm2
  std::optional<double> standardError;   // of K
  std::optional<double> residual;        // the residuals' deviation, kgf
  std::optional<double> deviation;       // of the tests' own constants about K
  std::optional<double> characteristic;  // K - 1.645 * deviation; left out unless > 0
  std::vector<FarTest> far;
};

struct WeightFit {
  int weighings = 0;
  std::optional<double> mean;  // g/cm of one strand
};

struct Calibration {
  TensionFit tension;
  BucklingFit buckling;
  WeightFit weight;
};

// The tests must be valid (strands > 0, loads > 0, a length > 0 for each
// buckling test, a weight only with a bundle length > 0).
Calibration Calibrate(const std::vector<StrandTest>& tests);

}  // namespace quivor::study
