// The order of a ranking.
#include "study/ranking.hpp"

#include <algorithm>
#include <optional>
#include <tuple>

namespace quivor::study {

void RankModels(std::vector<RankedModel>& models) {
  // Groups in order: 0 with an efficiency and within the weight limit, 1
  // with an efficiency and over it, 2 stable without one, 3 a mechanism, 4
  // not studied.
  auto key = [](const RankedModel& m) {
    int group = 4;
    double efficiency = 0.0;
    if (m.study) {
      const Study& s = *m.study;
      // The whole bridge's figures, as the contest weighs and loads it.
      const std::optional<double> ranked = s.bridge ? s.bridge->efficiency : std::nullopt;
      const bool over = s.bridge && !s.bridge->withinLimit;
      group = !s.stable ? 3 : !ranked ? 2 : over ? 1 : 0;
      if (ranked) efficiency = -*ranked;
    }
    return std::tuple(group, efficiency, m.name);
  };
  std::stable_sort(models.begin(), models.end(),
                   [&key](const RankedModel& a, const RankedModel& b) { return key(a) < key(b); });
}

}  // namespace quivor::study
