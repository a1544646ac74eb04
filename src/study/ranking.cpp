// The order of a ranking.
#include "study/ranking.hpp"

#include <algorithm>
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
      const bool over = s.build && s.build->weight > s.weightLimit;
      group = !s.stable ? 3 : !s.efficiency ? 2 : over ? 1 : 0;
      if (s.efficiency) efficiency = -*s.efficiency;
    }
    return std::tuple(group, efficiency, m.name);
  };
  std::stable_sort(models.begin(), models.end(),
                   [&key](const RankedModel& a, const RankedModel& b) { return key(a) < key(b); });
}

}  // namespace quivor::study
