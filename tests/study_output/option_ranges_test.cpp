// The ranges of the options' values: each end taken, a value past it
// refused with a message that names the option and its range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study_main/options.hpp"

namespace quivor::study {
namespace {

ParsedCommandLine Parse(std::vector<std::string> words) {
  words.insert(words.begin(), "quivor-study");
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(OptionRanges, EachEndTakenAndPastItRefused) {
  const struct {
    std::vector<std::string> words;
    const char* refused;  // the message; "" when taken
  } cases[] = {
      {{"p", "--fio", "1"}, ""},
      {{"p", "--fio", "1000"}, ""},
      {{"p", "--fio", "0,99"}, "--fio precisa de um número de 1 a 1000 cm, não \"0,99\""},
      {{"p", "--fio", "1e15"}, "--fio precisa de um número de 1 a 1000 cm, não \"1e15\""},
      {{"p", "--limite-peso", "1"}, ""},
      {{"p", "--limite-peso", "1000000"}, ""},
      {{"p", "--limite-peso", "1000000,5"},
       "--limite-peso precisa de um número de 1 a 1000000 g, não \"1000000,5\""},
      {{"p", "--limite-peso", "0"},
       "--limite-peso precisa de um número de 1 a 1000000 g, não \"0\""},
      {{"p", "--trelicas", "1"}, ""},
      {{"p", "--trelicas", "100"}, ""},
      {{"p", "--trelicas", "0"}, "--trelicas precisa de um número inteiro de 1 a 100, não \"0\""},
      {{"p", "--trelicas", "2,5"},
       "--trelicas precisa de um número inteiro de 1 a 100, não \"2,5\""},
      {{"p", "--trelicas", "101"},
       "--trelicas precisa de um número inteiro de 1 a 100, não \"101\""},
      {{"p", "--cola", "0"}, ""},
      {{"p", "--cola", "1000"}, ""},
      {{"p", "--cola", "-0,1"}, "--cola precisa de um número de 0 a 1000 g, não \"-0,1\""},
      {{"p", "--cola", "inf"}, "--cola precisa de um número de 0 a 1000 g, não \"inf\""},
      {{"p", "--peso-extra", "1000000"}, ""},
      {{"p", "--peso-extra", "nan"},
       "--peso-extra precisa de um número de 0 a 1000000 g, não \"nan\""},
      {{"p", "--peso-extra", "-1"},
       "--peso-extra precisa de um número de 0 a 1000000 g, não \"-1\""},
      {{"otimizar", "p", "--altura-max", "0,1"}, ""},
      {{"otimizar", "p", "--altura-max", "100001"},
       "--altura-max precisa de um número de 0,1 a 100000 cm, não \"100001\""},
      {{"otimizar", "p", "--barra-min", "0,01"}, ""},
      {{"otimizar", "p", "--barra-min", "0,009"},
       "--barra-min precisa de um número de 0,01 a 1000 cm, não \"0,009\""},
      {{"otimizar", "p", "--barra-min", "1001"},
       "--barra-min precisa de um número de 0,01 a 1000 cm, não \"1001\""},
      {{"nova", "p", "--carga", "0"}, ""},
      {{"nova", "p", "--carga", "1e6"}, ""},
      {{"nova", "p", "--carga", "1e155"},
       "--carga precisa de um número de 0 a 1000000 kgf, não \"1e155\""},
      {{"nova", "p", "--carga", "5", "--vao", "0,5"},
       "--vao precisa de um número de 1 a 100000 cm, não \"0,5\""},
      {{"nova", "p", "--carga", "5", "--altura", "1e308"},
       "--altura precisa de um número de 0,1 a 100000 cm, não \"1e308\""},
      {{"nova", "p", "--carga", "5", "--paineis", "2"}, ""},
      {{"nova", "p", "--carga", "5", "--paineis", "1"},
       "--paineis precisa de um número inteiro de 2 a 250, não \"1\""},
      {{"nova", "p", "--carga", "5", "--coef-tracao", "1"}, ""},
      {{"nova", "p", "--carga", "5", "--coef-tracao", "0,5"},
       "--coef-tracao precisa de um número de 1 a 1000, não \"0,5\""},
      {{"nova", "p", "--carga", "5", "--coef-compressao", "1001"},
       "--coef-compressao precisa de um número de 1 a 1000, não \"1001\""},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine parsed = Parse(c.words);
    const std::string what = c.words[c.words.size() - 2] + " " + c.words.back();
    if (*c.refused == '\0') {
      EXPECT_TRUE(parsed.run.has_value()) << what << ": " << parsed.err;
      continue;
    }
    EXPECT_FALSE(parsed.run.has_value()) << what;
    EXPECT_EQ(parsed.status, kStatusUsage) << what;
    EXPECT_EQ(parsed.err, "quivor-study: " + std::string(c.refused) + "\n") << what;
  }
}

TEST(OptionRanges, TheBridgeReachesTheStudyTheRankingAndTheOptimizer) {
  const struct {
    std::vector<std::string> words;
    int trusses;
    double glue;
    double extra;
  } cases[] = {
      {{"p"}, 2, 0.0, 0.0},
      {{"p", "--trelicas", "3", "--cola", "0,5", "--peso-extra", "40"}, 3, 0.5, 40.0},
      {{"ranking", "turma", "--trelicas", "4", "--cola", "1.25"}, 4, 1.25, 0.0},
      {{"otimizar", "p", "--peso-extra", "12,5", "--trelicas", "1"}, 1, 0.0, 12.5},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine parsed = Parse(c.words);
    ASSERT_TRUE(parsed.run.has_value()) << c.words.front() << ": " << parsed.err;
    EXPECT_EQ(parsed.run->options.trusses, c.trusses) << c.words.front();
    EXPECT_EQ(parsed.run->options.glue, c.glue) << c.words.front();
    EXPECT_EQ(parsed.run->options.extraWeight, c.extra) << c.words.front();
  }
}

TEST(OptionRanges, TheOptimizersHelpGivesItsRanges) {
  const std::string optimize = Parse({"otimizar", "--help"}).out;
  EXPECT_NE(optimize.find("de 0,1 a 100000 cm"), std::string::npos);
  EXPECT_NE(optimize.find("de 0,01 a 1000 cm (padrão 1)"), std::string::npos);
}

}  // namespace
}  // namespace quivor::study
