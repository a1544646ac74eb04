// Tables: on the console, columns right-aligned under their headings, two
// blanks apart, widths counted in characters (UTF-8); and as CSV text.
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

// A CSV table for a spreadsheet set to Brazilian Portuguese: a byte-order
// mark so that it reads UTF-8, semicolons between fields since the comma is
// the decimal sign, CR LF after every row, the headings first. The cells go
// as they are: the caller quotes one that may hold a semicolon or quotes.
inline std::string CsvText(const std::vector<std::string>& headings,
                           const std::vector<std::vector<std::string>>& rows) {
  std::string text = "\xEF\xBB\xBF";
  auto add = [&text](const std::vector<std::string>& row) {
    for (std::size_t c = 0; c < row.size(); ++c) text += (c == 0 ? "" : ";") + row[c];
    text += "\r\n";
  };
  add(headings);
  for (const std::vector<std::string>& row : rows) add(row);
  return text;
}

}  // namespace quivor::study
