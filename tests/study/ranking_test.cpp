// The order of a classroom ranking.
#include "study/ranking.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quivor::study {
namespace {

// A stable truss whose bridge has that efficiency.
RankedModel Stable(std::string name, std::optional<double> efficiency) {
  Study study;
  study.stable = true;
  study.bridge = Bridge{};
  study.bridge->withinLimit = true;
  study.bridge->efficiency = efficiency;
  return {std::move(name), std::move(study), "", 0};
}

RankedModel Mechanism(std::string name) { return {std::move(name), Study{}, "", 0}; }

RankedModel Failed(std::string name) { return {std::move(name), std::nullopt, "erro", 3}; }

// A bridge of `weight` g against a limit of 750 g.
RankedModel Weighing(std::string name, double weight, std::optional<double> efficiency) {
  RankedModel model = Stable(std::move(name), efficiency);
  model.study->weightLimit = 750.0;
  model.study->build = BuildList{{}, weight, 0};
  model.study->bridge->weight = weight;
  model.study->bridge->withinLimit = weight <= 750.0;
  return model;
}

TEST(Ranking, WithinTheWeightLimitFirstThenOverItThenTheRest) {
  std::vector<RankedModel> models{
      Failed("ruim"),
      Weighing("pesada-forte", 900.0, 500.0),
      Weighing("leve-fraca", 300.0, 80.0),
      Mechanism("solta"),
      Weighing("pesada-sem-carga", 900.0, std::nullopt),
      Weighing("no-limite", 750.0, 120.0),  // exactly at the limit is within it
      Weighing("pesada-fraca", 751.0, 90.0),
      Weighing("leve-forte", 500.0, 200.0),
      Weighing("b-leve-sem-carga", 100.0, std::nullopt),
  };
  RankModels(models);
  const std::vector<std::string> expected{"leve-forte",       "no-limite",    "leve-fraca",
                                          "pesada-forte",     "pesada-fraca", "b-leve-sem-carga",
                                          "pesada-sem-carga", "solta",        "ruim"};
  ASSERT_EQ(models.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(models[i].name, expected[i]) << i;
}

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

TEST(Ranking, ByTheWholeBridgeNotByOneTruss) {
  // The first truss is lighter and more efficient alone; with the glue of
  // its many nodes its bridge is over the limit.
  RankedModel many = Weighing("muitos-nos", 760.0, 150.0);
  many.study->build->weight = 300.0;
  many.study->efficiency = 300.0;
  RankedModel few = Weighing("poucos-nos", 700.0, 100.0);
  few.study->build->weight = 340.0;
  few.study->efficiency = 200.0;
  std::vector<RankedModel> models{std::move(many), std::move(few)};
  RankModels(models);
  EXPECT_EQ(models[0].name, "poucos-nos");
  EXPECT_EQ(models[1].name, "muitos-nos");
}

}  // namespace
}  // namespace quivor::study
