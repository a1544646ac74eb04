// The order of a ranking.
#include "study/ranking.hpp"

#include <algorithm>
#include <tuple>

namespace quivor::study {

void RankModels(std::vector<RankedModel>& models) {
  // Groups in order: 0 with an efficiency, 1 stable without one, 2 a
  // mechanism, 3 not studied.
  auto key = [](const RankedModel& m) {
    int group = 3;
    double efficiency = 0.0;
    if (m.study) {
      group = !m.study->stable ? 2 : m.study->efficiency ? 0 : 1;
      if (m.study->efficiency) efficiency = -*m.study->efficiency;
    }
    return std::tuple(group, efficiency, m.name);
  };
  std::stable_sort(models.begin(), models.end(),
                   [&key](const RankedModel& a, const RankedModel& b) { return key(a) < key(b); });
}

}  // namespace quivor::study
