// The test table's reader and the material file: dialects, bad rows by
// their line, and the file the calibration writes read back.
#include "study_output/material_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study/calibration.hpp"
#include "study_output/test_table.hpp"

namespace quivor::study {
namespace {

TEST(TestTable, BothDialectsGiveTheSameTests) {
  const std::string semicolons =
      "\xEF\xBB\xBFTipo;N\xC2\xBA fios;Comprimento (cm);Carga de ruptura (kgf);Peso (g);"
      "Comprimento do feixe (cm)\r\n"
      "tra\xC3\xA7\xC3\xA3o;3;;12,4;3,05;25\r\n"
      ";;;;;\r\n"
      "Flambagem;4;\"12,5\";2,61;;\r\n";
  const std::string commas =
      "kind,strands,length,load,weight,bundle length\n"
      "tracao,3,,12.4,3.05,25\n"
      "\n"
      "flambagem,4,12.5,2.61,,\n";
  for (const std::string& text : {semicolons, commas}) {
    const TestTable table = ReadTestTable(text);
    ASSERT_TRUE(table.errors.empty()) << table.errors.front();
    ASSERT_EQ(table.tests.size(), 2u);
    const StrandTest& t = table.tests[0];
    EXPECT_EQ(t.line, 2);
    EXPECT_EQ(t.kind, TestKind::kTension);
    EXPECT_EQ(t.strands, 3);
    EXPECT_EQ(t.load, 12.4);
    EXPECT_EQ(*t.weight, 3.05);
    EXPECT_EQ(*t.bundleLength, 25.0);
    const StrandTest& b = table.tests[1];
    EXPECT_EQ(b.line, 4);
    EXPECT_EQ(b.kind, TestKind::kBuckling);
    EXPECT_EQ(*b.length, 12.5);
    EXPECT_EQ(b.load, 2.61);
    EXPECT_FALSE(b.weight);
  }
}

TEST(TestTable, BadRowsAreNamedWithTheirLine) {
  struct Row {
    std::string text;
    std::vector<std::string> errors;
  };
  const std::string header = "tipo;fios;comprimento;carga\n";
  const std::vector<Row> rows = {
      {header + "tracao;1;;4,1\ntracao;1;;4,l\n",
       {"linha 3: \"4,l\" não é um número (coluna \"carga\")"}},
      {header + "tracao;1;;-4\nflambagem;3;;1,2\n",
       {"linha 2: \"-4\" precisa ser maior que zero (coluna \"carga\")",
        "linha 3: falta o valor da coluna \"comprimento\""}},
      {header + "puxada;1;;4\ntracao;2,5;;4\ntracao;1\n",
       {"linha 2: tipo de ensaio \"puxada\" desconhecido (tracao ou flambagem)",
        "linha 3: \"2,5\" não é um número inteiro de fios",
        "linha 4: falta o valor da coluna \"carga\""}},
      {"tipo;fios;comprimento\ntracao;1;2\n",
       {"linha 1: falta a coluna \"carga\" no cabeçalho (tipo; fios; comprimento; carga; e, "
        "se quiser, peso; comprimento do feixe)"}},
      {"\r\n",
       {"a tabela está vazia: falta a linha de cabeçalho (tipo; fios; comprimento; "
        "carga)"}},
      {"tipo;fios;carga;peso\ntracao;3;12;3\n",
       {"linha 2: um peso sem o comprimento do feixe pesado"}},
      {header + "flambagem;3;1e300;1\ntracao;2000;;1\n",
       {"linha 2: \"1e300\" passa de 10000 cm (coluna \"comprimento\")",
        "linha 3: \"2000\" passa de 1000 (coluna \"fios\")"}},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadTestTable(row.text).errors, row.errors) << row.text;
}

TEST(MaterialFile, ValuesAndErrorsByLine) {
  const MaterialRead read = ParseMaterialText(
      "# feito à mão\r\n"
      "tracao = 3,9  # dez ensaios\r\n"
      "\r\n"
      "Tração_característica=3.5\r\n"
      "flambagem_k = 17\r\n");
  ASSERT_EQ(read.error, "");
  const StrandMaterial& m = read.material;
  EXPECT_EQ(m.expected.tension, 3.9);
  EXPECT_EQ(m.conservative.tension, 3.5);
  EXPECT_EQ(m.tension.note, "dez ensaios");
  EXPECT_TRUE(m.tension.characteristic);
  // No characteristic K: the mean for both; no weight: quivor's own.
  EXPECT_EQ(m.expected.bucklingConstant, 17.0);
  EXPECT_EQ(m.conservative.bucklingConstant, 17.0);
  EXPECT_FALSE(m.buckling.characteristic);
  EXPECT_FALSE(m.weight.given);
  EXPECT_EQ(m.expected.linearWeight, BundledStrand().linearWeight);

  struct Row {
    std::string text;
    std::string error;
  };
  const std::vector<Row> rows = {
      {"tracao = 4\nfios = 3\n",
       "linha 2: nome desconhecido \"fios\" (tracao, tracao_caracteristica, flambagem_k, "
       "flambagem_k_caracteristica ou peso_por_cm)"},
      {"tracao 4\n", "linha 1: esperado \"nome = valor\", não \"tracao 4\""},
      {"\ntracao = quatro\n",
       "linha 2: tracao precisa de um número de 0,01 a 1000, não \"quatro\""},
      {"peso_por_cm = 0\n", "linha 1: peso_por_cm precisa de um número de 0,0001 a 10, não \"0\""},
      {"flambagem_k = 1e300\n",
       "linha 1: flambagem_k precisa de um número de 0,01 a 100000, não \"1e300\""},
      {"tracao = 4\ntracao = 5\n", "linha 2: tracao aparece pela segunda vez"},
      {"tracao = 4\ntracao_caracteristica = 5\n",
       "tracao_caracteristica maior que tracao: o valor característico fica abaixo da média"},
      {"flambagem_k_caracteristica = 5\n", "flambagem_k_caracteristica sem flambagem_k (a média)"},
  };
  for (const Row& row : rows) EXPECT_EQ(ParseMaterialText(row.text).error, row.error) << row.text;
}

TEST(MaterialFile, TheCalibrationsFileReadsBack) {
  Calibration c;
  c.tension = {6, 4.03671, 0.15, 3.79021, {}};
  c.buckling.tests = 5;
  c.buckling.constant = 15.74994;
  c.buckling.standardError = 0.8;
  c.buckling.characteristic = 11.01;
  c.weight = {3, 0.0403381};
  const MaterialRead read = ParseMaterialText(MaterialFileText(c, "ensaios.csv"));
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(read.material.expected.tension, 4.0367);
  EXPECT_EQ(read.material.conservative.tension, 3.7902);
  EXPECT_EQ(read.material.expected.bucklingConstant, 15.7499);
  EXPECT_EQ(read.material.conservative.bucklingConstant, 11.01);
  EXPECT_EQ(read.material.expected.linearWeight, 0.040338);

  // Too few tests: the lines left out, as comments.
  Calibration few;
  few.tension.tests = 1;
  const MaterialRead none = ParseMaterialText(MaterialFileText(few, "e.csv"));
  ASSERT_EQ(none.error, "");
  EXPECT_FALSE(none.material.tension.given);
  EXPECT_FALSE(none.material.buckling.given);
  EXPECT_FALSE(none.material.weight.given);
}

}  // namespace
}  // namespace quivor::study
