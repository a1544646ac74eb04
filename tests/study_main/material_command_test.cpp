// The team's strand end to end, in this process: calibrar writes
// espaguete.txt, and the study beside it estimates the collapse that a
// recalculation with those values gives from quivor's own bar forces.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analysis/truss_builder.hpp"
#include "study/study.hpp"
#include "study_main/options.hpp"
#include "study_main/scratch_folder.hpp"
#include "study_output/material_file.hpp"

namespace quivor::study {
int Run(const std::vector<std::string>& arguments);
}  // namespace quivor::study

namespace quivor::files {
namespace {

#ifndef _WIN32
using MaterialCommandTest = ScratchFolder;

// The triangle of the README, 5 kgf down at the apex.
const std::string kModel =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n2\n1\n0 0\n2\n1 0\n1\n1\n3\n"
    "0.0\n-5.0\n2.0\n3.0\n";
const std::string kTests =
    "tipo;fios;comprimento;carga;peso;comprimento do feixe\n"
    "tracao;1;;3,1;;\ntracao;3;;9,0;3,3;25\ntracao;1;;2,9;;\n"
    "flambagem;3;10;1,2;;\nflambagem;4;10;2,2;;\nflambagem;5;15;1,3;;\n";

TEST_F(MaterialCommandTest, TheStudyBesideTheCalibrationUsesItsValues) {
  Put("ponte.txt", kModel);
  Put("ensaios.csv", kTests);
  ASSERT_EQ(study::Run({"quivor-study", "calibrar", "ensaios", "--sem-pagina"}),
            study::kStatusStudied);
  const study::MaterialRead read = study::ParseMaterialText(Bytes("espaguete.txt"));
  ASSERT_EQ(read.error, "");
  const study::StrandValues expected = read.material.expected;
  const study::StrandValues conservative = read.material.conservative;
  EXPECT_LT(conservative.tension, expected.tension);
  EXPECT_LT(conservative.bucklingConstant, expected.bucklingConstant);

  // The document of the study beside it, standard output sent to a file.
  std::fflush(stdout);
  const int saved = dup(1);
  const int out = open("documento.json", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(out, 0);
  dup2(out, 1);
  const int status = study::Run({"quivor-study", "ponte", "--json", "--sem-pagina"});
  std::fflush(stdout);
  dup2(saved, 1);
  close(out);
  close(saved);
  ASSERT_EQ(status, study::kStatusStudied);
  const nlohmann::json document = nlohmann::json::parse(Bytes("documento.json"));
  EXPECT_EQ(document["material"]["origin"], "beside-model");

  // The same model with quivor's own strand: its bar forces and bundles,
  // which the material does not change, and the collapse by hand.
  Model model = test::ReadmeTriangle();
  const study::Study bundled = study::StudyModel(model, {});
  auto byHand = [&bundled](const study::StrandValues& strand) {
    double factor = INFINITY;
    for (std::size_t i = 0; i < bundled.build->bars.size(); ++i) {
      const study::BuildBar& bar = bundled.build->bars[i];
      const double force = bundled.cases[0].barForces[i];
      const double n = bar.strands;
      const double capacity = force > 0
                                  ? n * strand.tension
                                  : n * n * strand.bucklingConstant / (bar.length * bar.length);
      factor = std::min(factor, capacity / std::abs(force));
    }
    return factor * bundled.cases[0].load;
  };
  const double load = document["collapse"]["load"];
  const double safe = document["conservative"]["collapse"]["load"];
  EXPECT_NEAR(load, byHand(expected), 1e-9 * load);
  EXPECT_NEAR(safe, byHand(conservative), 1e-9 * safe);
  double weight = 0.0;
  for (const study::BuildBar& bar : bundled.build->bars) {
    weight += bar.strands * bar.length * expected.linearWeight;
  }
  EXPECT_NEAR(document["build"]["weight"].get<double>(), weight, 1e-9 * weight);
}

#endif

}  // namespace
}  // namespace quivor::files
