// Tables: on the console, columns right-aligned under their headings, two
// blanks apart, widths counted in characters (UTF-8); and as CSV text.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
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

// A text cell of a CSV table, kept from being taken for a formula: a
// spreadsheet computes a cell that begins with = + - or @ (and, in some, a
// tab or a carriage return), so such a text gets an apostrophe in front, as
// spreadsheets themselves mark a text that looks like something else.
// Numbers never go through here: a negative number stays a number.
inline std::string CsvTextCell(std::string text) {
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
    text.insert(0, 1, '\'');
  }
  return text;
}

// One field as RFC 4180 writes it: in quotes, its quotes doubled, when it
// holds the separator, a quote or a line break; as it is otherwise.
inline std::string CsvField(const std::string& cell) {
  if (cell.find_first_of(";\"\r\n") == std::string::npos) return cell;
  std::string field(1, '"');
  for (char c : cell) {
    if (c == '"') field += '"';
    field += c;
  }
  field += '"';
  return field;
}

// A CSV table for a spreadsheet set to Brazilian Portuguese: a byte-order
// mark so that it reads UTF-8, semicolons between fields since the comma is
// the decimal sign, CR LF after every row, the headings first. Every field
// is quoted where it needs to be; the cells of the columns in `textColumns`
// (names, messages) are also kept from being taken for formulas.
inline std::string CsvText(const std::vector<std::string>& headings,
                           const std::vector<std::vector<std::string>>& rows,
                           const std::vector<std::size_t>& textColumns = {}) {
  std::string text = "\xEF\xBB\xBF";
  auto add = [&text, &textColumns](const std::vector<std::string>& row, bool heading) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      const bool guarded =
          !heading && std::find(textColumns.begin(), textColumns.end(), c) != textColumns.end();
      if (c > 0) text += ';';
      text += CsvField(guarded ? CsvTextCell(row[c]) : row[c]);
    }
    text += "\r\n";
  };
  add(headings, true);
  for (const std::vector<std::string>& row : rows) add(row, false);
  return text;
}

}  // namespace quivor::study
