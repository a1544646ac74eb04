// Numbers and sentences in Brazilian Portuguese, shared by every output
// that speaks to people.
#pragma once

#include <string>
#include <string_view>

#include "study/study.hpp"

namespace quivor::study {

// `value` with `decimals` digits after a decimal comma; never "-0,00".
std::string Decimal(double value, int decimals);
// The same with the trailing zeros (and a comma left alone) dropped.
std::string ShortDecimal(double value, int decimals);
// The shortest text that reads back as `value`, with a decimal comma.
std::string ShortestDecimal(double value);
// How many characters (code points) a UTF-8 text shows.
std::size_t Width(std::string_view utf8);
// `count` and the noun: "1 barra", "2 barras" (`one` for 1, `many` for any
// other count).
std::string Plural(long long count, std::string_view one, std::string_view many);

std::string_view ModeName(FailureMode mode);  // "tração", "flambagem"
std::string WarningText(const Warning& warning);
std::string MechanismText(const Mechanism& mechanism);
// Why the bridge to build of a model could not be counted, naming the bar.
std::string CountOverflowText(const CountOverflow& overflow);
// What the bridge is made of: "2 treliças iguais à do modelo, lado a lado,
// cada uma com 1/2 da carga".
std::string BridgeMakeup(const Bridge& bridge);
// What the bridge's weight adds: "271,93 g das 2 treliças, 20,00 g de cola e
// 40,00 g de peso extra" (the glue and the extra only where there is some;
// "só as 2 treliças, sem cola nem peso extra" where there is neither).
std::string BridgeWeightParts(const Bridge& bridge);
// How many mechanisms a truss has: "2 movimentos independentes que as
// barras não impedem".
std::string IndependentMotions(std::size_t mechanisms);

// The strand a study used and where it came from: "o espaguete da equipe,
// de espaguete.txt"; for quivor's own strand its values too.
std::string MaterialOrigin(const StrandMaterial& material);
// One value of it with where it came from: 0 tension, 1 K, 2 weight.
std::string ValueText(const StrandMaterial& material, int value);
// How the strand counts were found: quivor's rule or the team's material.
std::string SizingText(const StrandMaterial& material);

}  // namespace quivor::study
