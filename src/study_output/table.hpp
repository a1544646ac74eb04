// Console tables: columns right-aligned under their headings, two blanks
// apart, widths counted in characters (UTF-8).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "study_output/portuguese.hpp"

namespace quivor::study {

class Table {
 public:
  explicit Table(std::vector<std::string> headings) { rows_.push_back(std::move(headings)); }
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }

  std::string Text() const {
    std::vector<std::size_t> widths(rows_.front().size(), 0);
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
    }
    std::string text;
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        text.append(widths[c] - Width(row[c]) + 2, ' ');
        text += row[c];
      }
      text += '\n';
    }
    return text;
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace quivor::study
