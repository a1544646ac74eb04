// The bridge to build: one bundle per bar, the most strands any load case
// needs, and the whole strands to cut the pieces from.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "design/size_members.hpp"
#include "study/stages.hpp"

namespace quivor::study {
namespace {

constexpr std::int64_t kMostStrands = std::numeric_limits<std::int64_t>::max();

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  return a > kMostStrands - b ? kMostStrands : a + b;
}

// A count held as a real, as a whole number that cannot overflow.
std::int64_t WholeCount(double count) {
  return count < 9.0e18 ? static_cast<std::int64_t>(count) : kMostStrands;
}

// The strands bar force F (kgf) of a bar of length L (cm) needs with the
// strand's own values, as quivor's sizing counts them with its constants:
// F * c / tension in tension, the bundle buckling at c * |F| in compression,
// never fewer than the minimum; INT32_MAX where the count does not fit.
std::int32_t SizedWith(const StrandValues& strand, double force, double length,
                       double tensionSafetyFactor, double compressionSafetyFactor) {
  double count = static_cast<double>(kMinimumStrandCount);
  if (force > 0.0) {
    count = (tensionSafetyFactor * force) / strand.tension;
  } else if (force < 0.0) {
    count = std::sqrt(-((compressionSafetyFactor * force) * (length * length)) /
                      strand.bucklingConstant);
  }
  count = std::ceil(count);
  if (!(count < 2147483647.0)) return std::numeric_limits<std::int32_t>::max();
  return std::max(static_cast<std::int32_t>(count), kMinimumStrandCount);
}

}  // namespace

void SetCapacities(BuildList& build, const StrandValues& strand) {
  for (BuildBar& bar : build.bars) {
    const double strands = static_cast<double>(bar.strands);
    bar.tensionCapacity = strands * strand.tension;  // kgf
    // Euler buckling of the bundle over the bar's whole length.
    bar.bucklingCapacity =
        ((strands * strands) * strand.bucklingConstant) / (bar.length * bar.length);  // kgf
  }
}

BuildList MakeBuildList(const Model& model, const Results& results, double strandLength,
                        const StrandMaterial& material) {
  const StrandValues& strand = material.expected;
  BuildList build;
  build.bars.reserve(static_cast<std::size_t>(std::max<int>(model.barCount, 0)));
  for (int i = 1; i <= model.barCount; ++i) {
    BuildBar bar{};
    bar.bar = model.barLabel(i);
    bar.start = model.barNodes(i, 1);
    bar.end = model.barNodes(i, 2);
    bar.length = results.barLength(i);
    bar.strands = kMinimumStrandCount;
    for (int k = 1; k <= model.loadCaseCount; ++k) {
      // The sizing gives a force that is not a number the least count; no
      // bundle carries it.
      if (std::isnan(results.barForce(i, k))) {
        throw CountOverflow(CountOverflow::Count::kStrands, bar.bar);
      }
      const std::int32_t strands =
          material.sizeWithMaterial
              ? SizedWith(strand, results.barForce(i, k), results.barLength(i),
                          static_cast<double>(model.tensionSafetyFactor),
                          static_cast<double>(model.compressionSafetyFactor))
              : results.strandCount(i, k);
      if (k == 1 || strands > bar.strands) {
        bar.strands = strands;
        bar.loadCase = k;
      }
    }
    // The sizing holds a count that does not fit (or comes from a force
    // that is not a number) as INT32_MAX.
    if (bar.strands == std::numeric_limits<std::int32_t>::max()) {
      throw CountOverflow(CountOverflow::Count::kStrands, bar.bar);
    }
    // The same product, in the same order, as the sizing's bar weight.
    bar.weight = (static_cast<double>(bar.strands) * bar.length) * strand.linearWeight;  // g
    bar.splice = bar.length > strandLength;
    build.weight += bar.weight;
    build.bars.push_back(bar);
  }
  SetCapacities(build, strand);
  build.wholeStrands = CountWholeStrands(build.bars, strandLength);
  return build;
}

// First fit, longest pieces first. The pieces of one bar are alike, and so
// are the strands they open, so strands are kept in groups of equal free
// length: a bar's pieces fill whole groups, or split one into the strands
// they fill, the one they partly fill, and the ones they leave, in the
// order a strand-by-strand first fit would use them.
std::int64_t CountWholeStrands(const std::vector<BuildBar>& bars, double strandLength, int copies) {
  if (!(strandLength > 0.0) || !std::isfinite(strandLength)) return 0;
  // Pieces that fill a strand to within this still fit (cm): 2 x 12.7 in 25.4.
  const double slack = 1e-9 * strandLength;

  struct Pieces {
    double length;  // cm
    std::int64_t count;
  };
  std::vector<Pieces> pieces;
  std::int64_t whole = 0;
  for (const BuildBar& bar : bars) {
    if (bar.strands <= 0 || copies <= 0) continue;
    // Two counts below 2^31: the product fits.
    const std::int64_t count = std::int64_t{bar.strands} * copies;
    if (!std::isfinite(bar.length)) {
      throw CountOverflow(CountOverflow::Count::kWholeStrands, bar.bar);
    }
    double length = bar.length;
    if (length > strandLength + slack) {
      // Spliced: whole strands end to end, and what is left to cut (nothing
      // when the rest is rounding).
      const double spans = std::floor(length / strandLength);
      const double spanned = spans * static_cast<double>(count);
      if (!(spanned <= static_cast<double>(CountOverflow::kMostWholeStrands - whole))) {
        throw CountOverflow(CountOverflow::Count::kWholeStrands, bar.bar);
      }
      whole += static_cast<std::int64_t>(spanned);
      length -= spans * strandLength;
      if (length <= slack) continue;
    }
    // A bar no longer than a strand is a piece however short it is.
    if (length > 0.0) pieces.push_back({length, count});
  }
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Pieces& a, const Pieces& b) { return a.length > b.length; });

  struct Strands {
    double free;  // cm left on each
    std::int64_t count;
  };
  std::vector<Strands> opened;
  auto perStrand = [slack](double free, double length, std::int64_t most) {
    return std::min<std::int64_t>(WholeCount(std::floor((free + slack) / length)), most);
  };
  for (const Pieces& piece : pieces) {
    std::int64_t left = piece.count;
    for (std::size_t g = 0; g < opened.size() && left > 0; ++g) {
      const std::int64_t per = perStrand(opened[g].free, piece.length, left);
      if (per == 0) continue;
      const std::int64_t filled = left / per;
      if (filled >= opened[g].count) {
        opened[g].free -= static_cast<double>(per) * piece.length;
        left -= per * opened[g].count;
        continue;
      }
      const std::int64_t rest = left % per;
      const Strands before = opened[g];
      std::vector<Strands> split;
      if (filled > 0)
        split.push_back({before.free - static_cast<double>(per) * piece.length, filled});
      if (rest > 0) split.push_back({before.free - static_cast<double>(rest) * piece.length, 1});
      const std::int64_t untouched = before.count - filled - (rest > 0 ? 1 : 0);
      if (untouched > 0) split.push_back({before.free, untouched});
      opened.erase(opened.begin() + static_cast<std::ptrdiff_t>(g));
      opened.insert(opened.begin() + static_cast<std::ptrdiff_t>(g), split.begin(), split.end());
      left = 0;
    }
    if (left == 0) continue;
    const std::int64_t per = std::max<std::int64_t>(perStrand(strandLength, piece.length, left), 1);
    const std::int64_t filled = left / per;
    const std::int64_t rest = left % per;
    if (filled > 0) {
      opened.push_back({strandLength - static_cast<double>(per) * piece.length, filled});
    }
    if (rest > 0) opened.push_back({strandLength - static_cast<double>(rest) * piece.length, 1});
    whole = SaturatingAdd(whole, SaturatingAdd(filled, rest > 0 ? 1 : 0));
  }
  return whole;
}

}  // namespace quivor::study
