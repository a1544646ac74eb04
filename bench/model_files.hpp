// Model files for the benchmarks: a Pratt truss bridge of any length in the
// model file's own format, the nodes listed bottom and top in turn.
#pragma once

#include <string>

namespace quivor::bench {

struct TrussShape {
  int nodeCount;      // even: bottom and top chords of nodeCount / 2 nodes
  int loadCaseCount;  // each loads every bottom node, with its own forces
  bool widestBand;    // a bar from the first node to the last: the band
                      // becomes as wide as the matrix (2 * nodeCount)
  int extraBars = 0;  // more diagonals, crossing the other way, up to this many
};

// The model file text; `barCount` receives the number of bars.
std::string TrussModel(const TrussShape& shape, int* barCount = nullptr);

// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
};

}  // namespace quivor::bench
