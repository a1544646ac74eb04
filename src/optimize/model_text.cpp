// Coordinates written back into a model file. The records of the nodes are
// found as the renumbering finds them (generate/renumber.hpp); inside a
// record, the values are found by a scan far narrower than the reader's
// grammar, which gives up on anything but plain numbers.
#include "optimize/model_text.hpp"

#include <charconv>
#include <cstddef>
#include <system_error>

#include "generate/renumber.hpp"

namespace quivor::optimize {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(std::string_view text, std::size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `token` is [sign] digits [. digits] [exponent], one digit at least
// before the exponent: a value the reader takes as it stands.
bool IsPlainNumber(std::string_view token) {
  std::size_t i = 0;
  const auto digits = [&]() {
    const std::size_t from = i;
    while (i < token.size() && IsDigit(token[i])) ++i;
    return i - from;
  };
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < token.size() && token[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E' || token[i] == 'd' ||
                           token[i] == 'D' || token[i] == 'q' || token[i] == 'Q')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == token.size();
}

struct Span {
  std::size_t begin;
  std::size_t end;
};

// The label, x and y of a record as three plain numbers, each separated
// from the next by blanks and line ends with at most one comma (no null
// value); false for any other record.
bool ThreeValues(std::string_view record, Span (&values)[3]) {
  std::size_t i = 0;
  for (int v = 0; v < 3; ++v) {
    int commas = 0;
    while (i < record.size() && (IsBlank(record[i]) || record[i] == ',' || IsLineEnd(record, i))) {
      if (record[i] == ',') ++commas;
      ++i;
    }
    if (commas > (v == 0 ? 0 : 1)) return false;
    const std::size_t begin = i;
    while (i < record.size() && !IsBlank(record[i]) && record[i] != ',' && record[i] != '/' &&
           !IsLineEnd(record, i)) {
      ++i;
    }
    values[v] = {begin, i};
    if (!IsPlainNumber(record.substr(begin, i - begin))) return false;
  }
  return true;
}

}  // namespace

std::string CoordinateText(double value) {
  if (value == 0.0) value = 0.0;  // no "-0.00"
  char buffer[512];
  const std::to_chars_result shortest =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (shortest.ec != std::errc{}) {
    // Wider than any coordinate the reader takes: as the shortest text.
    const std::to_chars_result any = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, any.ptr);
  }
  std::string text(buffer, shortest.ptr);
  const std::size_t point = text.find('.');
  if (point == std::string::npos) {
    text += ".00";
  } else if (text.size() - point < 3) {
    text.append(3 - (text.size() - point), '0');
  }
  return text;
}

std::string WithCoordinates(std::string_view text, const Model& model,
                            const std::vector<std::pair<double, double>>& coordinates) {
  const auto records = generate::NodeRecords(text, model.nodeCount);
  std::string out;
  out.reserve(text.size() + 16 * records.size());
  std::size_t copied = 0;
  for (std::size_t k = 0; k < records.size() && k < coordinates.size(); ++k) {
    const int node = static_cast<int>(k) + 1;
    const auto [x, y] = coordinates[k];
    const bool newX = x != model.nodeCoord(node, 1);
    const bool newY = y != model.nodeCoord(node, 2);
    if (!newX && !newY) continue;
    const auto [begin, end] = records[k];
    const std::string_view record = text.substr(begin, end - begin);
    out.append(text.substr(copied, begin - copied));
    copied = end;
    Span values[3];
    if (ThreeValues(record, values)) {
      out.append(record.substr(0, values[1].begin));
      out.append(newX ? CoordinateText(x)
                      : record.substr(values[1].begin, values[1].end - values[1].begin));
      out.append(record.substr(values[1].end, values[2].begin - values[1].end));
      out.append(newY ? CoordinateText(y)
                      : record.substr(values[2].begin, values[2].end - values[2].begin));
      out.append(record.substr(values[2].end));
      continue;
    }
    const std::string_view lineEnd = record.ends_with("\r\n") ? "\r\n"
                                     : record.ends_with("\n") ? "\n"
                                                              : "";
    out.append(std::to_string(model.nodeLabel(node)) + " " + CoordinateText(x) + " " +
               CoordinateText(y));
    out.append(lineEnd);
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace quivor::optimize
