// The fits of the team's tests.
#include "study/calibration.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quivor::study {
namespace {

struct MeanAndDeviation {
  double mean = 0.0;
  double deviation = 0.0;  // sample (n - 1); 0 for a single value
};

MeanAndDeviation Describe(const std::vector<double>& values) {
  MeanAndDeviation d;
  double sum = 0.0;
  for (const double v : values) sum += v;
  d.mean = sum / static_cast<double>(values.size());
  if (values.size() < 2) return d;
  double squares = 0.0;
  for (const double v : values) squares += (v - d.mean) * (v - d.mean);
  d.deviation = std::sqrt(squares / static_cast<double>(values.size() - 1));
  return d;
}

// K through the origin over the points (x, y), and the sample deviation of
// the points' own constants y / x about it.
struct OriginFit {
  double constant = 0.0;
  double sumSquares = 0.0;      // sum(x^2)
  double residual = 0.0;        // sqrt(sum(r^2) / (n - 1))
  double ratioDeviation = 0.0;  // sqrt(sum((y/x - K)^2) / (n - 1))
};

OriginFit FitThroughOrigin(const std::vector<double>& x, const std::vector<double>& y) {
  OriginFit fit;
  double products = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    products += x[i] * y[i];
    fit.sumSquares += x[i] * x[i];
  }
  fit.constant = products / fit.sumSquares;
  if (x.size() < 2) return fit;
  double residuals = 0.0;
  double ratios = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double r = y[i] - fit.constant * x[i];
    const double q = y[i] / x[i] - fit.constant;
    residuals += r * r;
    ratios += q * q;
  }
  const double freedom = static_cast<double>(x.size() - 1);
  fit.residual = std::sqrt(residuals / freedom);
  fit.ratioDeviation = std::sqrt(ratios / freedom);
  return fit;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t half = values.size() / 2;
  return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}

// The tests whose modified z-score passes kOutlierScore.
std::vector<FarTest> FarFromOthers(const std::vector<std::int64_t>& lines,
                                   const std::vector<double>& values) {
  std::vector<FarTest> far;
  if (values.size() < static_cast<std::size_t>(kFewestForOutliers)) return far;
  const double median = Median(values);
  std::vector<double> deviations;
  double sum = 0.0;
  for (const double v : values) {
    deviations.push_back(std::abs(v - median));
    sum += deviations.back();
  }
  double scale = Median(deviations) / 0.6745;
  if (scale == 0.0) scale = 1.2533 * sum / static_cast<double>(values.size());
  if (scale == 0.0) return far;  // every test the same
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (deviations[i] > kOutlierScore * scale) far.push_back({lines[i], values[i], median});
  }
  return far;
}

TensionFit FitTension(const std::vector<StrandTest>& tests) {
  TensionFit fit;
  std::vector<double> perStrand;
  std::vector<std::int64_t> lines;
  for (const StrandTest& t : tests) {
    if (t.kind != TestKind::kTension) continue;
    perStrand.push_back(t.load / static_cast<double>(t.strands));  // kgf per strand
    lines.push_back(t.line);
  }
  fit.tests = static_cast<int>(perStrand.size());
  if (fit.tests < kFewestTensionTests) return fit;
  const MeanAndDeviation d = Describe(perStrand);
  fit.mean = d.mean;
  fit.deviation = d.deviation;
  if (fit.tests >= kFewestTensionTestsCharacteristic) {
    const double characteristic = d.mean - kLowerFivePercent * d.deviation;
    if (characteristic > 0.0) fit.characteristic = characteristic;
  }
  fit.far = FarFromOthers(lines, perStrand);
  return fit;
}

BucklingFit FitBuckling(const std::vector<StrandTest>& tests) {
  BucklingFit fit;
  std::vector<double> x;
  std::vector<double> y;
  std::vector<std::int64_t> lines;
  for (const StrandTest& t : tests) {
    if (t.kind != TestKind::kBuckling || !t.length) continue;
    const double strands = static_cast<double>(t.strands);
    x.push_back((strands * strands) / (*t.length * *t.length));  // 1/cm2
    y.push_back(t.load);                                         // kgf
    lines.push_back(t.line);
  }
  fit.tests = static_cast<int>(x.size());
  if (fit.tests < kFewestBucklingTests) return fit;
  const OriginFit all = FitThroughOrigin(x, y);
  fit.constant = all.constant;
  fit.residual = all.residual;
  fit.standardError = all.residual / std::sqrt(all.sumSquares);
  fit.deviation = all.ratioDeviation;
  const double characteristic = all.constant - kLowerFivePercent * all.ratioDeviation;
  if (characteristic > 0.0) fit.characteristic = characteristic;
  std::vector<double> ratios;
  for (std::size_t i = 0; i < x.size(); ++i) ratios.push_back(y[i] / x[i]);
  fit.far = FarFromOthers(lines, ratios);
  return fit;
}

WeightFit FitWeight(const std::vector<StrandTest>& tests) {
  WeightFit fit;
  std::vector<double> perCm;
  for (const StrandTest& t : tests) {
    if (!t.weight || !t.bundleLength) continue;
    perCm.push_back(*t.weight / (static_cast<double>(t.strands) * *t.bundleLength));  // g/cm
  }
  fit.weighings = static_cast<int>(perCm.size());
  if (fit.weighings >= kFewestWeighings) fit.mean = Describe(perCm).mean;
  return fit;
}

}  // namespace

Calibration Calibrate(const std::vector<StrandTest>& tests) {
  return {FitTension(tests), FitBuckling(tests), FitWeight(tests)};
}

}  // namespace quivor::study
