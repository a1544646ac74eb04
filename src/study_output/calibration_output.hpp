// What `quivor-study calibrar` shows: the fits in words on the console, and
// a page with the tests and the fitted lines drawn.
#pragma once

#include <string>
#include <vector>

#include "study/calibration.hpp"

namespace quivor::study {

// The console text (UTF-8, LF); `table` names the tests' file as shown.
std::string CalibrationReport(const std::string& table, const std::vector<StrandTest>& tests,
                              const Calibration& calibration);

// One self-contained HTML page: buckling load against fios²/comprimento²
// (one point per test, the fitted K and its characteristic value as lines
// through the origin), the load per strand of each tension test against
// its mean and characteristic value, and the table of the tests.
std::string CalibrationPageHtml(const std::string& table, const std::vector<StrandTest>& tests,
                                const Calibration& calibration);

}  // namespace quivor::study
