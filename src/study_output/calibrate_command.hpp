// quivor-study calibrar TESTS: the team's strand from its tests.
#pragma once

#include <string>

namespace quivor::study {

// Reads the tests' table (TESTS, or TESTS.csv), shows the fits, and writes
// espaguete.txt beside the table (never over an existing one unless
// `replace`) and, with `page`, TESTS.html. The exit status: 0 done, 3 the
// table could not be used (every bad row named), 4 a file could not be
// written. Nothing is written when the table has a bad row.
int CalibrateTests(const std::string& tests, bool page, bool replace);

}  // namespace quivor::study
