// The shells of a study: numbers in Portuguese, the JSON document read back
// by a real parser, the CSV bytes.
#include "study_output/outputs.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "study_main/model_input.hpp"
#include "study_output/portuguese.hpp"
#include "study_output/table.hpp"

namespace quivor::study {
namespace {

TEST(Portuguese, DecimalsWithACommaAndNoNegativeZero) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {12.345, 2, "12,35"},
      {-0.004, 2, "0,00"},
      {-0.0, 1, "0,0"},
      {-1.5, 0, "-2"},
      {2.5, 0, "2"},
      {1e20, 1, "100000000000000000000,0"},
      {0.1, 3, "0,100"},
      {std::numeric_limits<double>::infinity(), 2, "infinito"},
      {std::numeric_limits<double>::quiet_NaN(), 2, "indefinido"},
  };
  for (const auto& c : cases) EXPECT_EQ(Decimal(c.value, c.decimals), c.text) << c.value;
  EXPECT_EQ(ShortestDecimal(0.1 + 0.2), "0,30000000000000004");
  EXPECT_EQ(ShortestDecimal(25.4), "25,4");
  EXPECT_EQ(Width("Nó inicial"), 10u);
}

constexpr const char* kTriangle =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n"
    "2\n1\n0 0\n2\n1 0\n1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n";
// The same without its roller: it turns about the pin.
constexpr const char* kTurning =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n"
    "1\n1\n0 0\n1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n";

Study Studied(const char* text) {
  ModelInput input = ReadModelText("t.txt", text);
  EXPECT_EQ(input.error, "");
  return StudyModel(input.model, {});
}

TEST(Outputs, JsonReadsBackWithEveryFieldOfAStableTruss) {
  const Study study = Studied(kTriangle);
  const auto document = nlohmann::json::parse(JsonDocument("t", study));
  EXPECT_EQ(document["model"], "t");
  EXPECT_EQ(document["stable"], true);
  EXPECT_EQ(document["equations"], 6);
  EXPECT_EQ(document["build"]["bars"].size(), 3u);
  EXPECT_EQ(document["build"]["bars"][1]["strands"], 21);
  EXPECT_EQ(document["build"]["bars"][0]["splice"], true);
  // Numbers come back with every bit.
  EXPECT_EQ(document["build"]["weight"].get<double>(), study.build->weight);
  EXPECT_EQ(document["cases"][0]["factor"].get<double>(), *study.cases[0].factor);
  EXPECT_EQ(document["cases"][0]["mode"], "buckling");
  EXPECT_EQ(document["collapse"]["bar"], 2);
  EXPECT_EQ(document["efficiency"].get<double>(), *study.efficiency);
  EXPECT_TRUE(document["mechanisms"].empty());
}

TEST(Outputs, JsonOfAMechanismHasNoBuildAndNamesTheMotion) {
  const Study study = Studied(kTurning);
  const auto document = nlohmann::json::parse(JsonDocument("t", study));
  EXPECT_EQ(document["stable"], false);
  EXPECT_TRUE(document["build"].is_null());
  EXPECT_TRUE(document["cases"].is_null());
  EXPECT_TRUE(document["collapse"].is_null());
  EXPECT_TRUE(document["efficiency"].is_null());
  EXPECT_TRUE(document["bridge"].is_null());
  ASSERT_EQ(document["mechanisms"].size(), 1u);
  // Node 1 is pinned: only nodes 2 and 3 move.
  EXPECT_EQ(document["mechanisms"][0].size(), 2u);
  EXPECT_EQ(document["mechanisms"][0][0]["node"], 2);
  EXPECT_TRUE(CsvTable(study).empty());
  EXPECT_NE(ConsoleReport("t.txt", study).find("corpo rígido"), std::string::npos);
}

TEST(Outputs, CsvForASpreadsheetInPortuguese) {
  const Study study = Studied(kTriangle);
  EXPECT_EQ(CsvTable(study),
            "\xEF\xBB\xBF"
            "Barra;Nó inicial;Nó final;Comprimento (cm);Fios em cada treliça;Caso;"
            "Peso em cada treliça (g);Emenda;Fios na ponte;Peso na ponte (g)\r\n"
            "1;1;2;40,00;3;1;4,76;sim;6;9,53\r\n"
            "2;1;3;25,00;21;1;20,84;não;42;41,69\r\n"
            "3;2;3;25,00;21;1;20,84;não;42;41,69\r\n"
            "\r\n"
            "Peso de cada treliça (g);46,45\r\n"
            "Fios inteiros para cada treliça;48\r\n"
            "Carga de colapso de cada treliça (kgf);15,50\r\n"
            "Treliças na ponte;2\r\n"
            "Cola por nó (g);0\r\n"
            "Cola da ponte (g);0,00\r\n"
            "Peso extra (g);0,00\r\n"
            "Peso da ponte (g);92,90\r\n"
            "Limite de peso da ponte (g);750\r\n"
            "Dentro do limite;sim\r\n"
            "Fios inteiros para a ponte;96\r\n"
            "Carga de colapso da ponte (kgf);31,00\r\n"
            "Eficiência da ponte (kgf/kg);333,8\r\n");
}

TEST(Outputs, CsvFieldsQuotedAsRfc4180AndTextsKeptFromFormulas) {
  const struct {
    const char* cell;
    bool text;  // in a column of texts
    const char* field;
  } cases[] = {
      {"ponte", true, "ponte"},
      {"", true, ""},
      {"a;b", true, "\"a;b\""},
      {"diz \"oi\"", true, "\"diz \"\"oi\"\"\""},
      {"linha\nquebrada", true, "\"linha\nquebrada\""},
      {"=1+1", true, "'=1+1"},
      {"+55", true, "'+55"},
      {"-ponte", true, "'-ponte"},
      {"\tponte", true, "'\tponte"},
      {"=a;b", true, "\"'=a;b\""},
      {"a=1", true, "a=1"},
      {"-12,5", false, "-12,5"},  // a number stays a number
      {"=1+1", false, "=1+1"},
  };
  for (const auto& c : cases) {
    const std::string csv =
        CsvText({"a", "b"}, {{"x", c.cell}},
                c.text ? std::vector<std::size_t>{1} : std::vector<std::size_t>{});
    std::string expected =
        "\xEF\xBB\xBF"
        "a;b\r\nx;";
    expected += c.field;
    expected += "\r\n";
    EXPECT_EQ(csv, expected) << c.cell;
  }
}

TEST(Outputs, RankingCsvKeepsEveryNameInItsRowAndColumn) {
  std::vector<RankedModel> models;
  for (const char* name : {"a;b", "=1+1", "\"aspas\""}) {
    models.push_back({name, std::nullopt, std::string(name) + ".txt: erro; de leitura", 0});
  }
  RankedModel studied{"-5", Studied(kTriangle), "", 0};
  models.push_back(std::move(studied));
  EXPECT_EQ(RankingCsv(models),
            "\xEF\xBB\xBF"
            "Posição;Modelo;Situação;Peso da ponte (g);No limite;Colapso da ponte (kgf);"
            "Eficiência da ponte (kgf/kg);Peso de cada treliça (g);"
            "Colapso de cada treliça (kgf);Erro\r\n"
            "1;\"a;b\";erro no modelo;;;;;;;\"a;b.txt: erro; de leitura\"\r\n"
            "2;'=1+1;erro no modelo;;;;;;;\"'=1+1.txt: erro; de leitura\"\r\n"
            "3;\"\"\"aspas\"\"\";erro no modelo;;;;;;;\"\"\"aspas\"\".txt: erro; de leitura\"\r\n"
            "4;'-5;estável;92,90;sim;31,00;333,8;46,45;15,50;\r\n");
}

TEST(Outputs, AValueOutOfRangeNamesTheRangeOfItsField) {
  // The triangle with one value replaced: (line, new text, the range named).
  const std::string kInteger = "(inteiros de -32768 a 32767)";
  const std::string kReal64 = "(reais de 64 bits, até cerca de ±1,8e308)";
  const std::string kReal32 = "(reais de 32 bits, até cerca de ±3,4e38)";
  const struct {
    int line;
    const char* value;
    std::string range;
  } cases[] = {
      {1, "40000", kInteger},        // the node count
      {3, "1 1e400 0.0", kReal64},   // a coordinate
      {4, "2 1e39 0.0", ""},         // a coordinate a double holds
      {5, "3 20.0 15.0 1e400", ""},  // past the node's values: not read
      {6, "1 1 32768", kInteger},    // a bar's node
      {9, "1e5", kInteger},          // the support count, as a real
      {11, "0 -32769", kInteger},    // a restraint code
      {18, "-1e400", kReal64},       // a force
      {18, "1e300", ""},             // a force a double holds
      {19, "1e39", kReal32},         // a safety coefficient
      {20, "1e400", kReal32},
      {3, "1 2*1e400", kReal64},   // a repeat count
      {3, "2*40000 0", kInteger},  // a repeat count over the label first
  };
  for (const auto& c : cases) {
    std::string text;
    std::istringstream lines(kTriangle);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
      text += (++number == c.line ? std::string(c.value) : line) + "\n";
    }
    const std::string error = ReadModelText("t.txt", text).error;
    if (c.range.empty()) {
      EXPECT_EQ(error, "") << c.value;
      continue;
    }
    EXPECT_EQ(error, "t.txt, linha " + std::to_string(c.line) +
                         ": um valor fora do alcance do seu campo " + c.range + ", em \"" +
                         c.value + "\"");
  }
  EXPECT_EQ(ReadModelText("t.txt", "3\n'três'\n").error,
            "t.txt, linha 2: um texto entre aspas onde o campo pede um número, em \"'três'\"");
}

TEST(Outputs, ModelErrorsNameTheFileTheLineAndTheValue) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"3\n3\n1 0 0\n2 40 0\n3 20 1.5.0\n",
       "t.txt, linha 5: um valor que não é um número, em \"3 20 1.5.0\""},
      {"3\n3\n1 0 0\n2 40 0\n3 20 15\n1 1 2\n2 1 3\n3 2 9\n",
       "t.txt, linha 8: a barra 3 usa o nó 9, que não existe"},
      {"3\n3\n1 0 0\n2 40 0\n",
       "t.txt, o arquivo termina na linha 4, antes do último valor do modelo"},
      {"40000\n",
       "t.txt, linha 1: um valor fora do alcance do seu campo (inteiros de -32768 a "
       "32767), em \"40000\""},
      {"1\n0\n1001 0 0\n", "t.txt, linha 3: rótulo de nó 1001 fora da faixa de 1 a 1000"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadModelText("t.txt", c.text).error, c.error);
  EXPECT_EQ(ModelFileName("  ponte "), "ponte.txt");
  EXPECT_EQ(ModelFileName("ponte.txt"), "ponte.txt");
  EXPECT_EQ(ModelStem("ponte.txt"), "ponte");
}

}  // namespace
}  // namespace quivor::study
