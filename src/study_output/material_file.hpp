// The team's material file (espaguete.txt): named values, one a line,
//   nome = valor  # where it came from
// with a decimal comma or point; '#' starts a comment, blank lines are
// left alone. The names:
//   tracao                      kgf: one strand breaks (the mean)
//   tracao_caracteristica       kgf: its characteristic value
//   flambagem_k                 kgf*cm2: a bundle buckles at fios^2 * K / comprimento^2
//   flambagem_k_caracteristica  kgf*cm2: its characteristic value
//   peso_por_cm                 g/cm of one strand
// A value the file does not give stays quivor's own; a characteristic
// value not given is the mean.
#pragma once

#include <string>
#include <string_view>

#include "study/calibration.hpp"
#include "study/material.hpp"

namespace quivor::study {

// The default name, beside the model.
inline constexpr std::string_view kMaterialFileName = "espaguete.txt";

struct MaterialRead {
  StrandMaterial material;
  std::string error;  // "linha 3: ...", empty when read
};

// The values of a material file's text (the origin and the file's name
// left to the caller).
MaterialRead ParseMaterialText(std::string_view text);

// The material file of a calibration: the values it gives, each with where
// it came from; `table` names the tests' file as shown.
std::string MaterialFileText(const Calibration& calibration, const std::string& table);

// The material to study with: `option` as given to --material ("" when not
// given, "padrao" for quivor's own), looked for beside `modelFile` when not
// given. `error` names the file and the line.
MaterialRead LoadMaterial(const std::string& option, const std::string& modelFile);

}  // namespace quivor::study
