// The strand a bridge is made of: what one strand carries in tension, the
// constant of a bundle's buckling load, and what it weighs. The bundled
// values are quivor's own; a team may give the values of its own spaghetti,
// measured in its tests, as two sets: the means (the expected collapse) and
// the characteristic values (a conservative one).
#pragma once

#include <string>

namespace quivor::study {

// The values the capacities and the weights of a bridge are worked out with.
struct StrandValues {
  double tension;           // kgf: one strand breaks
  double bucklingConstant;  // kgf*cm2: a bundle of n strands of length L buckles at n^2*K/L^2
  double linearWeight;      // g/cm of one strand

  bool operator==(const StrandValues&) const = default;
};

// quivor's own strand: the sizing's constants, widened as it widens them.
StrandValues BundledStrand();

// Where one value of the material came from.
struct ValueNote {
  bool given = false;           // the material file gives it; false: the bundled value
  bool characteristic = false;  // the file gives a characteristic value too
  std::string note;             // the file's comment on that line, as written
};

struct StrandMaterial {
  enum class Origin {
    kBundled,      // quivor's values
    kFile,         // a file named on the command line
    kBesideModel,  // espaguete.txt found beside the model
  };
  Origin origin = Origin::kBundled;
  std::string file;  // the material file, as shown to the user; empty when bundled
  StrandValues expected = BundledStrand();
  StrandValues conservative = BundledStrand();
  ValueNote tension;
  ValueNote buckling;
  ValueNote weight;
  // The strand counts sized with the expected values instead of quivor's
  // rule (the model's safety coefficients kept).
  bool sizeWithMaterial = false;

  bool bundled() const { return origin == Origin::kBundled; }
};

}  // namespace quivor::study
