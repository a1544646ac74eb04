// The team's table of strand tests, as a spreadsheet saves it: ';' between
// fields with decimal commas (a spreadsheet set to Brazilian Portuguese) or
// ',' with decimal points, told apart by the header line; a UTF-8
// byte-order mark and CR LF line ends (Excel) taken.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "study/calibration.hpp"

namespace quivor::study {

// A name as the reader matches it: lower case, accents dropped, what is in
// parentheses (a unit) left out, runs of blanks, '_' and '-' as one blank.
std::string FoldedName(std::string_view name);

struct TestTable {
  std::vector<StrandTest> tests;
  std::vector<std::string> errors;  // one per bad row or header: "linha 5: ..."
  char separator = ';';
};

// Every row read; a bad row (a letter where a number belongs, a negative
// load, a missing column) is named with its line in `errors`, and every
// other row still read.
TestTable ReadTestTable(std::string_view text);

}  // namespace quivor::study
