// The order of a classroom ranking.
#include "study/ranking.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quivor::study {
namespace {

RankedModel Stable(std::string name, std::optional<double> efficiency) {
  Study study;
  study.stable = true;
  study.efficiency = efficiency;
  return {std::move(name), std::move(study), "", 0};
}

RankedModel Mechanism(std::string name) { return {std::move(name), Study{}, "", 0}; }

RankedModel Failed(std::string name) { return {std::move(name), std::nullopt, "erro", 3}; }

TEST(Ranking, EfficiencyFirstThenUnloadedThenMechanismsThenFailures) {
  std::vector<RankedModel> models{Failed("b-ruim"),          Mechanism("solta"),
                                  Stable("fraca", 90.0),     Stable("sem-carga", std::nullopt),
                                  Failed("a-ruim"),          Stable("forte", 240.5),
                                  Stable("empate-b", 100.0), Stable("empate-a", 100.0)};
  RankModels(models);
  const std::vector<std::string> expected{"forte",     "empate-a", "empate-b", "fraca",
                                          "sem-carga", "solta",    "a-ruim",   "b-ruim"};
  ASSERT_EQ(models.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(models[i].name, expected[i]) << i;
}

}  // namespace
}  // namespace quivor::study
