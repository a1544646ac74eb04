// A node order for a narrow band: the model file with its node records
// reordered so that the ends of every bar stand close together in the file,
// which is what the width of quivor's banded stiffness matrix follows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quivor::generate {

struct Renumbered {
  // The model file with its node records reordered, each moved whole (its
  // lines, from the line of its label to the line of its y value, with their
  // own line ends); every other line stays where it was, byte for byte.
  // Labels are unchanged. Empty when `error` is set.
  std::string text;
  // As quivor computes it: 2*dmax + 2, dmax the largest distance in the file
  // between the nodes of a bar.
  int halfBandwidthBefore = 0;
  int halfBandwidthAfter = 0;  // never above halfBandwidthBefore
  // Set when the text is not a model quivor's reader accepts: one line in
  // Portuguese, which does not say why (quivor-study names that itself when
  // it reads the model); empty on success.
  std::string error;
};

// Reverse Cuthill-McKee from a pseudo-peripheral node (George and Liu), one
// connected component after another; the original order is kept unless the
// new one is narrower.
Renumbered RenumberNodes(std::string_view modelText);

// Where each node's record stands in a model text that quivor's reader
// accepts, in file order: [first, second) runs from the start of the line of
// its label to the end (line end included) of the line of its last value.
// Also used to rewrite the coordinates of some nodes (quivor-study otimizar).
std::vector<std::pair<std::size_t, std::size_t>> NodeRecords(std::string_view text, int nodeCount);

}  // namespace quivor::generate
