// New coordinates written into model files of every layout the reader takes.
#include "optimize/model_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/free_form_read.hpp"
#include "model/read_model_file.hpp"

namespace quivor::optimize {
namespace {

TEST(ModelText, CoordinatesReadBackAsTheSameNumberWithTwoDecimalsAtLeast) {
  const std::vector<std::pair<double, const char*>> cases = {
      {15.0, "15.00"}, {8.5, "8.50"},     {7.125, "7.125"}, {-0.0, "0.00"},
      {-3.1, "-3.10"}, {1e-5, "0.00001"}, {76.54, "76.54"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(CoordinateText(value), text) << value;
  EXPECT_EQ(std::stod(CoordinateText(0.1 + 0.2)), 0.1 + 0.2);
}

// A triangle whose third node's record is `record`; the records around it
// must come out byte for byte.
std::string Triangle(const std::string& record) {
  return "3\r\n3\r\n1 0 0\r\n2 40 0\r\n" + record +
         "1 1 2\r\n2 1 3\r\n3 2 3\r\n1\r\n1\r\n0 0\r\n0\r\n1\r\n1\r\n";
}

TEST(ModelText, OnlyTheValuesThatChangeAreReplaced) {
  struct Case {
    std::string record;
    double x;
    double y;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // In place: the blanks, commas, line ends and notes after the values stay.
      {"3 20.0 15.0\r\n", 20.0, 7.25, "3 20.0 7.25\r\n"},
      {"3\t20 , 15   apex\r\n", 18.5, 9.0, "3\t18.50 , 9.00   apex\r\n"},
      {"3\r\n20.0\r\n15.0\r\n", 20.0, 12.5, "3\r\n20.0\r\n12.50\r\n"},
      {"3 20.0 15.0 / apex\r\n", 21.0, 15.0, "3 21.00 15.0 / apex\r\n"},
      // Written again on one line: a repeat count, a null value.
      {"3 2*15.0\r\n", 15.0, 10.0, "3 15.00 10.00\r\n"},
      {"3,,15.0\r\n", 20.0, 10.0, "3 20.00 10.00\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    const std::string text = Triangle(c.record);
    Model model;
    InputUnit unit(kModelUnit, text);
    ASSERT_TRUE(ReadModelFile(unit, model).ok());
    const std::string written = WithCoordinates(text, model, {{0.0, 0.0}, {40.0, 0.0}, {c.x, c.y}});
    EXPECT_EQ(written, Triangle(c.expected));

    Model back;
    InputUnit again(kModelUnit, written);
    ASSERT_TRUE(ReadModelFile(again, back).ok());
    EXPECT_EQ(back.nodeCoord(3, 1), c.x);
    EXPECT_EQ(back.nodeCoord(3, 2), c.y);
  }
}

}  // namespace
}  // namespace quivor::optimize
