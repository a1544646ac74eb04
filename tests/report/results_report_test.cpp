// The results report, record by record, from hand-filled model and result
// arrays.
#include "report/results_report.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quivor {
namespace {

// The report's records, each checked for its CR LF and stripped of it.
std::vector<std::string> Records(const std::string& written) {
  std::vector<std::string> records;
  std::size_t begin = 0;
  while (begin < written.size()) {
    std::size_t end = written.find("\r\n", begin);
    EXPECT_NE(end, std::string::npos) << "record without CR LF";
    if (end == std::string::npos) end = written.size();
    records.push_back(written.substr(begin, end - begin));
    begin = end + 2;
  }
  return records;
}

std::string Name50(std::string name) {
  name.resize(50, ' ');
  return name;
}

// The worked example: a triangle of three nodes, two supports, one load case
// of 10 kgf downward at the top node, coefficients 2 and 1.5.
struct WorkedExample {
  Model model;
  Results results;

  WorkedExample() {
    model.nodeCount = 3;
    model.barCount = 3;
    model.supportCount = 2;
    model.loadCaseCount = 1;
    Fill(model.nodeLabel, {1, 2, 3});
    Fill(model.nodeCoord, 3, {0.0, 20.0, 10.0, 0.0, 0.0, 10.0});
    Fill(model.barLabel, {1, 2, 3});
    Fill(model.barNodes, 3, {1, 2, 3, 2, 3, 1});
    Fill(model.supportTable, 2, {1, 2, 0, 1, 0, 0});
    model.tensionSafetyFactor = 2.0f;
    model.compressionSafetyFactor = 1.5f;

    const double diagonal = std::sqrt(200.0);  // cm
    Fill(results.barLength, {20.0, diagonal, diagonal});
    Fill(results.barForce, 3, {5.0, -7.0710678118654755, -7.0710678118654755});
    Fill(results.strandCount, 3, {3, 11, 11});
    Fill(results.barWeight, 3, {2.382, 11 * diagonal * 0.0397, 11 * diagonal * 0.0397});
    Fill(results.totalWeight, {2.382 + 2 * (11 * diagonal * 0.0397)});
    // Rounding residues where the reactions are zero: they must not show a minus.
    Fill(results.reaction, 6, {-1.7763568394002505e-15, 5.0, 0.0, 5.0, 0.0, -0.0});
  }

  template <class T>
  static void Fill(Array1<T>& array, std::initializer_list<T> values) {
    ASSERT_FALSE(Allocate(array, static_cast<int>(values.size())).failed());
    std::copy(values.begin(), values.end(), array.data());
  }
  // Column by column.
  template <class T>
  static void Fill(Array2<T>& array, int rows, std::initializer_list<T> values) {
    ASSERT_FALSE(Allocate(array, rows, static_cast<int>(values.size()) / rows).failed());
    std::copy(values.begin(), values.end(), array.data());
  }
  static void Fill(Array1<std::int16_t>& array, std::initializer_list<int> values) {
    ASSERT_FALSE(Allocate(array, static_cast<int>(values.size())).failed());
    int i = 1;
    for (int v : values) array(i++) = static_cast<std::int16_t>(v);
  }
  static void Fill(Array2<std::int16_t>& array, int rows, std::initializer_list<int> values) {
    ASSERT_FALSE(Allocate(array, rows, static_cast<int>(values.size()) / rows).failed());
    std::int16_t* cell = array.data();
    for (int v : values) *cell++ = static_cast<std::int16_t>(v);
  }

  std::vector<std::string> Report(std::string_view name = "TESTE") const {
    std::string written;
    TextOutputUnit unit(written);
    WriteResultsReport(unit, Name50(std::string(name)), model, results);
    return Records(written);
  }
};

const std::vector<std::string> kWorkedExample = {
    "   =>OS RESULTADOS ESTAO APRESENTADOS NA TABELA ABAIXO<=",
    " ",
    "   NOME DO ARQUIVO DE TRABALHO: ",
    " TESTE                                             ",
    " ",
    "   NO  COORDENADA X  COORDENADA Y",
    " ",
    "   1     0.00          0.00",
    "   2    20.00          0.00",
    "   3    10.00         10.00",
    " ",
    "  ELEMENTO  NO INICIAL  NO FINAL",
    " ",
    "   1          1          2",
    "   2          2          3",
    "   3          3          1",
    " ",
    "  NO VINCULADO  DIRECAO X  DIRECAO Y",
    "   1            0          0",
    "   2            1          0",
    " ",
    "  Coeficiente de seguran\xE7"
    "a \xE0 tra\xE7\xE3o:    2.000000    ",
    "  Coeficiente de seguran\xE7"
    "a \xE0 compress\xE3o:    1.500000    ",
    " ",
    "  Carregamento      1",
    " ",
    "   ELEMENTO  COMPRIMENTO(cm)  ESFORCO NORMAL(kgf)  No FIOS  PESO ELEMENTO(g)",
    " ",
    "    1        20.00              5.00                 3         2.38",
    "    2        14.14             -7.07                11         6.18",
    "    3        14.14             -7.07                11         6.18",
    " ",
    "   (+)=>TRACAO",
    "   (-)=>COMPRESSAO",
    " ",
    "    PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g):   14.73",
    " ",
    "  Rea\xE7\xF5"
    "es nodais",
    " ",
    "  NO     X          Y",
    " ",
    "   1     0.00       5.00",
    "   2     0.00       5.00",
    " ",
};

TEST(ResultsReport, WorkedExampleByteForByte) {
  WorkedExample example;
  std::vector<std::string> report = example.Report();
  ASSERT_EQ(report.size(), 44u);
  for (std::size_t i = 0; i < report.size(); ++i) {
    EXPECT_EQ(report[i], kWorkedExample[i]) << "line " << i + 1;
  }
}

// The lines of the report that follow the model echo, for one load case.
constexpr std::size_t kEchoLines = 24;

TEST(ResultsReport, NoLoadCaseEndsAfterTheCoefficients) {
  WorkedExample example;
  example.model.loadCaseCount = 0;
  std::vector<std::string> report = example.Report();
  ASSERT_EQ(report.size(), kEchoLines);
  EXPECT_EQ(report,
            std::vector<std::string>(kWorkedExample.begin(), kWorkedExample.begin() + kEchoLines));
}

TEST(ResultsReport, NoSupportsKeepTheHeadingsOnly) {
  WorkedExample example;
  example.model.supportCount = 0;
  std::vector<std::string> report = example.Report();
  std::vector<std::string> expected = kWorkedExample;
  expected.erase(expected.begin() + 41, expected.begin() + 43);  // reaction rows
  expected.erase(expected.begin() + 18, expected.begin() + 20);  // support rows
  EXPECT_EQ(report, expected);
}

TEST(ResultsReport, EveryLoadCaseHasItsBlock) {
  WorkedExample example;
  Model& model = example.model;
  Results& results = example.results;
  model.loadCaseCount = 2;
  WorkedExample::Fill(results.barForce, 3,
                      {5.0, -7.0710678118654755, -7.0710678118654755, -5.0, 7.0710678118654755,
                       7.0710678118654755});
  WorkedExample::Fill(results.strandCount, 3, {3, 11, 11, 6, 3, 3});
  WorkedExample::Fill(results.barWeight, 3,
                      {2.382, 6.17590391644931, 6.17590391644931, 4.764, 1.6843, 1.6843});
  WorkedExample::Fill(results.totalWeight, {14.73380783289862, 8.1326});
  WorkedExample::Fill(results.reaction, 6,
                      {0.0, 5.0, 0.0, 5.0, 0.0, 0.0, 0.0, -5.0, 0.0, -5.0, 0.0, 0.0});
  std::vector<std::string> report = example.Report();
  ASSERT_EQ(report.size(), 64u);
  EXPECT_EQ(std::vector<std::string>(report.begin(), report.begin() + 44), kWorkedExample);
  const std::vector<std::string> second = {
      "  Carregamento      2",
      " ",
      "   ELEMENTO  COMPRIMENTO(cm)  ESFORCO NORMAL(kgf)  No FIOS  PESO ELEMENTO(g)",
      " ",
      "    1        20.00             -5.00                 6         4.76",
      "    2        14.14              7.07                 3         1.68",
      "    3        14.14              7.07                 3         1.68",
      " ",
      "   (+)=>TRACAO",
      "   (-)=>COMPRESSAO",
      " ",
      "    PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g):    8.13",
      " ",
      "  Rea\xE7\xF5"
      "es nodais",
      " ",
      "  NO     X          Y",
      " ",
      "   1     0.00      -5.00",
      "   2     0.00      -5.00",
      " ",
  };
  EXPECT_EQ(std::vector<std::string>(report.begin() + 44, report.end()), second);
}

// Labels 10, 5, 7 in file order: the support table shows positions, the
// reaction table labels.
TEST(ResultsReport, SupportsShowPositionsReactionsShowLabels) {
  WorkedExample example;
  WorkedExample::Fill(example.model.nodeLabel, {10, 5, 7});
  WorkedExample::Fill(example.model.supportTable, 2, {3, 2, 0, 1, 0, 0});
  WorkedExample::Fill(example.results.reaction, 6, {0.0, 0.0, 1.0, 2.0, 3.0, 4.0});
  std::vector<std::string> report = example.Report();
  ASSERT_EQ(report.size(), 44u);
  EXPECT_EQ(report[7], "  10     0.00          0.00");
  EXPECT_EQ(report[8], "   5    20.00          0.00");
  EXPECT_EQ(report[18], "   3            0          0");
  EXPECT_EQ(report[19], "   2            1          0");
  EXPECT_EQ(report[41], "   7     3.00       4.00");
  EXPECT_EQ(report[42], "   5     1.00       2.00");
}

// Values too wide for their fields show as asterisks, and the report goes on.
TEST(ResultsReport, OverflowsAndNonFiniteValues) {
  WorkedExample example;
  Model& model = example.model;
  Results& results = example.results;
  WorkedExample::Fill(model.nodeLabel, {1000, -99, 3});
  WorkedExample::Fill(model.nodeCoord, 3, {-100.0, 999.994, 10.0, 1000.0, 0.0, -99.995});
  WorkedExample::Fill(model.barLabel, {-100, 2, 3});
  WorkedExample::Fill(model.supportTable, 2, {1, 2, 12, 9, -1, 0});
  model.tensionSafetyFactor = 1.0f;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  WorkedExample::Fill(results.barLength, {0.0, 1000.0, nan});
  WorkedExample::Fill(results.barForce, 3, {-100.0, 999.99, -kInf});
  WorkedExample::Fill(results.strandCount, 3, {std::numeric_limits<std::int32_t>::max(), 1000, 3});
  WorkedExample::Fill(results.barWeight, 3, {0.0, 9999.995, nan});
  WorkedExample::Fill(results.totalWeight, {kInf});
  WorkedExample::Fill(results.reaction, 6, {-99.995, 100.004, nan, -kInf, 0.0, 0.0});
  std::vector<std::string> report = example.Report("ponte");
  ASSERT_EQ(report.size(), 44u);
  std::string nameLine = " ";  // appended, not prefixed: GCC 12 warns wrongly on " " + string
  nameLine += Name50("ponte");
  EXPECT_EQ(report[3], nameLine);
  EXPECT_EQ(report[7], " ***   ******        ******");
  EXPECT_EQ(report[8], " -99   999.99          0.00");
  EXPECT_EQ(report[9], "   3    10.00        ******");
  EXPECT_EQ(report[13], " ***          1          2");
  EXPECT_EQ(report[18], "   1            *          *");
  EXPECT_EQ(report[19], "   2            9          0");
  EXPECT_EQ(report[21],
            "  Coeficiente de seguran\xE7"
            "a \xE0 tra\xE7\xE3o:    1.000000    ");
  EXPECT_EQ(report[28], "  ***         0.00            ******               ***         0.00");
  EXPECT_EQ(report[29], "    2       ******            999.99               ***      *******");
  EXPECT_EQ(report[30], "    3          NaN              -Inf                 3          NaN");
  EXPECT_EQ(report[35], "    PESO TOTAL DA TRELICA EM FIOS DE ESPAGUETE (g):     Inf");
  EXPECT_EQ(report[41], " ***   ******     100.00");
  EXPECT_EQ(report[42], " -99      NaN       -Inf");
}

}  // namespace
}  // namespace quivor
