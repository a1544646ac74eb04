// A first model of a spaghetti bridge of a common form, written as a model
// file that quivor reads: the starting point a team edits and studies.
//
// The deck is the bottom chord, y = 0 from x = 0 to x = span, pinned at its
// left end (codes 0 0) and on a roller at its right end (codes 1 0). Units:
// cm, kgf.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quivor::generate {

enum class BridgeType { kPratt, kHowe, kWarren, kWarrenVerticals, kK, kArch };

// The command line's names: "pratt", "howe", "warren", "warren-montantes",
// "k", "arco".
std::optional<BridgeType> BridgeTypeNamed(std::string_view name);
std::string_view NameOf(BridgeType type);

struct BridgeRequest {
  BridgeType type = BridgeType::kPratt;
  double span = 100.0;   // cm
  double height = 15.0;  // cm: the chords' distance; the arch's rise at mid-span
  int panels = 10;
  double load = 0.0;  // kgf, the team's design load, hung at mid-span
  double tensionSafetyFactor = 2.0;
  double compressionSafetyFactor = 3.0;
  // A second load case: the same total load spread over the deck nodes.
  bool spreadLoadCase = false;
};

// `text` is the model file (LF line ends), or empty with the reason, in
// Portuguese for the user, in `error`.
struct GeneratedModel {
  std::string text;
  std::string error;
};

// The bridge asked for. Its nodes are listed column by column, left to right,
// in the order within each column that gives the narrowest band such an order
// can; labels are 1..n in file order, coordinates have two decimals.
//
// Load case 1 hangs the load at the mid-span deck node, or in halves at the
// two middle deck nodes when the mid-span has none. The spread case puts equal
// shares on the interior deck nodes: a load on a supported node would go
// straight into its support and bend nothing.
//
// Refused: a span or height outside (0, 100000] cm, panels outside
// 2..MaxPanels(type) or odd for "warren-montantes" and "k", a load outside
// 0..1000000 kgf, a safety coefficient outside 1..1000 (quivor raises one
// below 1 to 1), or panels or a height too small for coordinates of two
// decimals. Every bridge returned has been read back by the model reader and
// analysed: it is never rejected, and its stiffness matrix is not singular.
GeneratedModel GenerateBridge(const BridgeRequest& bridge);

// The most panels the type allows: nodes and bars both within 1000, so every
// label fits the model's node label range.
int MaxPanels(BridgeType type);

}  // namespace quivor::generate
