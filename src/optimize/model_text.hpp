// A model file with new coordinates for some of its nodes, every other byte
// as it was.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/model.hpp"

namespace quivor::optimize {

// A coordinate as the file gets it: the shortest decimal that reads back as
// the same number, with at least two decimals ("15.00", "8.25", "7.125"),
// never with an exponent.
std::string CoordinateText(double value);

// `text` is a model file that quivor's reader accepts and `model` what it
// read from it; `coordinates` holds x and y (cm) for every node, in file
// order. A node whose coordinates are unchanged keeps its record; in one
// whose label, x and y stand as three plain numbers, the numbers that change
// are replaced in place (the blanks, the rest of the line and the line ends
// stay); any other record (a repeat count, a null value) is written again as
// "label x y" on one line with the record's last line end.
std::string WithCoordinates(std::string_view text, const Model& model,
                            const std::vector<std::pair<double, double>>& coordinates);

}  // namespace quivor::optimize
