// Reading the model file: the arrays it fills, and the models it rejects.
#include "model/read_model_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quivor {
namespace {

// The triangle: three nodes, three bars, node 1 held in x and y, node 2 in
// y, 5 kgf down at node 3; coefficients 2 and 3. One entry per line, numbered.
const std::vector<std::string> kTriangle = {
    "3",            // 1
    "3",            // 2
    "1 0.0 0.0",    // 3
    "2 40.0 0.0",   // 4
    "3 20.0 15.0",  // 5
    "1 1 2",        // 6
    "2 1 3",        // 7
    "3 2 3",        // 8
    "2",            // 9
    "1",            // 10
    "0 0",          // 11
    "2",            // 12
    "1 0",          // 13
    "1",            // 14
    "1",            // 15
    "3",            // 16
    "0.0",          // 17
    "-5.0",         // 18
    "2.0",          // 19
    "3.0",          // 20
};

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The triangle with line `number` (from 1) replaced by `text`.
std::string Changed(std::size_t number, const std::string& text) {
  std::vector<std::string> lines = kTriangle;
  lines[number - 1] = text;
  return Join(lines);
}

ModelStatus Read(const std::string& text, Model& model) {
  InputUnit unit(kModelUnit, text);
  return ReadModelFile(unit, model);
}

template <class T>
std::vector<T> Elements(const Array2<T>& array) {
  return {array.data(), array.data() + array.size()};
}
template <class T>
std::vector<T> Elements(const Array1<T>& array) {
  return {array.data(), array.data() + array.size()};
}

using I16 = std::vector<std::int16_t>;
using F64 = std::vector<double>;

TEST(ReadModelFile, TheTriangle) {
  Model model;
  const ModelStatus status = Read(Join(kTriangle), model);
  ASSERT_TRUE(status.ok()) << status.rejection.has_value();
  EXPECT_EQ(model.nodeCount, 3);
  EXPECT_EQ(model.barCount, 3);
  EXPECT_EQ(Elements(model.nodeLabel), (I16{1, 2, 3}));
  EXPECT_EQ(model.nodeCoord.rows(), 3);
  EXPECT_EQ(Elements(model.nodeCoord), (F64{0.0, 40.0, 20.0, 0.0, 0.0, 15.0}));
  EXPECT_EQ(Elements(model.barLabel), (I16{1, 2, 3}));
  EXPECT_EQ(Elements(model.barNodes), (I16{1, 1, 2, 2, 3, 3}));
  EXPECT_EQ(model.supportCount, 2);
  EXPECT_EQ(Elements(model.supportTable), (I16{1, 2, 0, 1, 0, 0}));
  EXPECT_EQ(model.loadCaseCount, 1);
  EXPECT_EQ(model.loadMatrix.rows(), 6);
  EXPECT_EQ(Elements(model.loadMatrix), (F64{0.0, 0.0, 0.0, 0.0, 0.0, -5.0}));
  EXPECT_EQ(model.tensionSafetyFactor, 2.0f);
  EXPECT_EQ(model.compressionSafetyFactor, 3.0f);
  for (int label = 1; label <= kMaxNodeLabel; ++label) {
    EXPECT_EQ(model.nodeIndexOfLabel(label), label <= 3 ? label : 0) << label;
  }
}

TEST(ReadModelFile, LabelsNeedNotBeInOrder) {
  std::vector<std::string> lines = kTriangle;
  lines[2] = "10 0.0 0.0";
  lines[3] = "5 40.0 0.0";
  lines[4] = "7 20.0 15.0";
  lines[5] = "1 10 5";
  lines[6] = "2 10 7";
  lines[7] = "3 5 7";
  lines[9] = "10";
  lines[11] = "5";
  lines[15] = "7";
  Model model;
  ASSERT_TRUE(Read(Join(lines), model).ok());
  EXPECT_EQ(model.nodeIndexOfLabel(10), 1);
  EXPECT_EQ(model.nodeIndexOfLabel(5), 2);
  EXPECT_EQ(model.nodeIndexOfLabel(7), 3);
  EXPECT_EQ(Elements(model.nodeLabel), (I16{10, 5, 7}));
  EXPECT_EQ(Elements(model.barNodes), (I16{10, 10, 5, 5, 7, 7}));    // labels, as read
  EXPECT_EQ(Elements(model.supportTable), (I16{1, 2, 0, 1, 0, 0}));  // internal indices
  EXPECT_EQ(Elements(model.loadMatrix), (F64{0.0, 0.0, 0.0, 0.0, 0.0, -5.0}));
}

// Variants of the triangle that read into the same arrays.
TEST(ReadModelFile, LayoutsThatReadTheSame) {
  const std::string cases[] = {
      Changed(1, "3 4"),                // the 4 is never seen
      Changed(4, "2\n40.0 0.0"),        // a node over two lines
      Changed(4, "2,40.0,\t0.0 junk"),  // commas, tab, and a tail ignored
      Changed(3, "1 2*0.0"),            // a repeat count
      Changed(11, "0,0 / anything"),    // a slash after the values
      Changed(18, "-5.0 / -6.0"),
      Changed(2, "3.9"),         // truncated to 3
      "\n\n" + Join(kTriangle),  // empty lines first
      Join(kTriangle) + "anything after the last value\n",
  };
  for (const std::string& text : cases) {
    Model model;
    const ModelStatus status = Read(text, model);
    ASSERT_TRUE(status.ok()) << text << status.rejection.has_value();
    EXPECT_EQ(model.barCount, 3) << text;
    EXPECT_EQ(Elements(model.nodeCoord), (F64{0.0, 40.0, 20.0, 0.0, 0.0, 15.0})) << text;
    EXPECT_EQ(Elements(model.supportTable), (I16{1, 2, 0, 1, 0, 0})) << text;
    EXPECT_EQ(Elements(model.loadMatrix), (F64{0.0, 0.0, 0.0, 0.0, 0.0, -5.0})) << text;
    EXPECT_EQ(model.compressionSafetyFactor, 3.0f) << text;
  }
}

TEST(ReadModelFile, LoadCases) {
  std::vector<std::string> lines(kTriangle.begin(), kTriangle.begin() + 13);
  const std::vector<std::string> loads = {
      "3",                           // three load cases
      "0",                           // case 1: no loaded node
      "2",   "3",   "1.0",  "-5.0",  // case 2: node 3 twice; the second entry wins
      "3",   "2.0", "-6.0",          //
      "2",   "2",   "4.0",  "-1.0",  // case 3: node 2, then node 2 again with
      "2",   "/",   ",",             //   its forces left as they were
      "0.5", "1.5"};
  lines.insert(lines.end(), loads.begin(), loads.end());
  Model model;
  ASSERT_TRUE(Read(Join(lines), model).ok());
  EXPECT_EQ(model.loadMatrix.columns(), 3);
  EXPECT_EQ(Elements(model.loadMatrix), (F64{0, 0, 0, 0, 0, 0,       //
                                             0, 0, 0, 0, 2.0, -6.0,  //
                                             0, 0, 4.0, -1.0, 0, 0}));
  // Stored as read; the sizing raises 0.5 later.
  EXPECT_EQ(model.tensionSafetyFactor, 0.5f);
  EXPECT_EQ(model.compressionSafetyFactor, 1.5f);
}

TEST(ReadModelFile, NegativeCountsReadNothing) {
  const std::string text = Join({"2", "-1", "1 0 0", "2 1 0", "-2", "-5", "1.5", "2.5"});
  Model model;
  ASSERT_TRUE(Read(text, model).ok());
  EXPECT_EQ(model.barLabel.size(), 0);
  EXPECT_EQ(model.barNodes.size(), 0u);
  EXPECT_EQ(model.supportTable.size(), 0u);
  EXPECT_EQ(model.loadMatrix.size(), 0u);
  EXPECT_EQ(model.tensionSafetyFactor, 1.5f);
  EXPECT_EQ(model.compressionSafetyFactor, 2.5f);

  const std::string loads = Join({"1", "0", "1 0 0", "0", "1", "-3", "1.5", "2.5"});
  Model negativeLoadedNodes;
  ASSERT_TRUE(Read(loads, negativeLoadedNodes).ok());
  EXPECT_EQ(Elements(negativeLoadedNodes.loadMatrix), (F64{0.0, 0.0}));
}

TEST(ReadModelFile, ReadFailuresNameUnit1) {
  const struct {
    std::string text;
    ErrorNumber error;
  } cases[] = {
      {Join({kTriangle.begin(), kTriangle.end() - 1}), ErrorNumber::kEndOfFile},
      {"", ErrorNumber::kEndOfFile},
      {Changed(3, "1 0.0 O.O"), ErrorNumber::kSyntaxError},
      {Changed(18, "-5.0.0"), ErrorNumber::kSyntaxError},
      {Changed(2, "40000"), ErrorNumber::kConversionError},
      {Changed(20, "1e39"), ErrorNumber::kConversionError},
  };
  for (const auto& c : cases) {
    Model model;
    const ModelStatus status = Read(c.text, model);
    EXPECT_EQ(status.failure.number, c.error) << c.text;
    EXPECT_EQ(status.failure.unit, kModelUnit);
    EXPECT_FALSE(status.rejection);
  }
}

// Each check: the model, and the line it must give on standard error (before
// CR LF). The checks come before any later read failure.
TEST(ReadModelFile, RejectedModels) {
  const struct {
    std::string text;
    std::string rejection;
  } cases[] = {
      {Changed(1, "0"),
       "Erro no modelo, linha 1: numero de nos 0; o modelo precisa de ao menos 1 no"},
      {"\n\n-3\nx", "Erro no modelo, linha 3: numero de nos -3; o modelo precisa de ao menos 1 no"},
      {"\n,\n", "Erro no modelo, linha 2: numero de nos 0; o modelo precisa de ao menos 1 no"},
      {Changed(4, "0 40.0 0.0"),
       "Erro no modelo, linha 4: rotulo de no 0 fora da faixa de 1 a 1000"},
      {Changed(5, "1001 20.0 15.0"),
       "Erro no modelo, linha 5: rotulo de no 1001 fora da faixa de 1 a 1000"},
      {Changed(3, "-1 0 0"), "Erro no modelo, linha 3: rotulo de no -1 fora da faixa de 1 a 1000"},
      {Changed(3, ", 0 0"), "Erro no modelo, linha 3: rotulo de no 0 fora da faixa de 1 a 1000"},
      {Changed(5, "1 20.0 15.0"), "Erro no modelo, linha 5: rotulo de no 1 repetido"},
      {Changed(5, "1 20.0 15.0") + "x\n", "Erro no modelo, linha 5: rotulo de no 1 repetido"},
      {Changed(7, "2 9 3"), "Erro no modelo, linha 7: a barra 2 usa o no 9, que nao existe"},
      {Changed(8, "3 2\n\n4"), "Erro no modelo, linha 10: a barra 3 usa o no 4, que nao existe"},
      {Changed(6, "1 1 2000"), "Erro no modelo, linha 6: a barra 1 usa o no 2000, que nao existe"},
      {Changed(6, "1 0 2"), "Erro no modelo, linha 6: a barra 1 usa o no 0, que nao existe"},
      {Changed(6, "1 2 2"), "Erro no modelo, linha 6: a barra 1 liga o no 2 a ele mesmo"},
      {Changed(5, "3 40.0 0.0"),
       "Erro no modelo, linha 8: a barra 3 tem comprimento zero: os nos 2 e 3 estao no mesmo "
       "ponto"},
      {Changed(5, "3 40.0 -0.0"),
       "Erro no modelo, linha 8: a barra 3 tem comprimento zero: os nos 2 e 3 estao no mesmo "
       "ponto"},
      // So close that the length squared underflows: zero for the analysis too.
      {Changed(4, "2 1e-170 0.0"),
       "Erro no modelo, linha 6: a barra 1 tem comprimento zero: os nos 1 e 2 estao no mesmo "
       "ponto"},
      {Changed(12, "5"), "Erro no modelo, linha 12: o apoio 2 usa o no 5, que nao existe"},
      {Changed(10, "0"), "Erro no modelo, linha 10: o apoio 1 usa o no 0, que nao existe"},
      {Changed(16, "4"),
       "Erro no modelo, linha 16: o caso de carga 1 carrega o no 4, que nao existe"},
      {Changed(16, "1001"),
       "Erro no modelo, linha 16: o caso de carga 1 carrega o no 1001, que nao existe"},
  };
  for (const auto& c : cases) {
    Model model;
    const ModelStatus status = Read(c.text, model);
    EXPECT_FALSE(status.failure.failed()) << c.text;
    ASSERT_TRUE(status.rejection) << c.text;
    EXPECT_EQ(RejectionText(*status.rejection), c.rejection) << c.text;
    EXPECT_FALSE(status.ok());
  }
}

}  // namespace
}  // namespace quivor
