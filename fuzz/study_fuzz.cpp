// Fuzz target: the study of an arbitrary model text, with its promises
// checked on every input.
//
// The model is read as the command reads it; a model too slow to analyse
// (analysis_limits.hpp) is read but not studied. Oracle: a model quivor
// stops as singular is never stable; a stable truss has a bridge to build
// and a positive collapse factor wherever one is defined; every mechanism is
// a motion the truss resists with no force (K v = 0 to rounding), scaled to
// a largest component of +1; the JSON document reads back, the CSV table is
// there exactly when there is a bridge to build, and the page is written
// with no number that is not one. Every output then goes through the
// companion's own writer into a folder of the fuzzer's and reads back whole.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "fuzz/analysis_limits.hpp"
#include "fuzz/fuzz_check.hpp"
#include "page/page.hpp"
#include "platform/files.hpp"
#include "platform/files_seam.hpp"
#include "study/mechanisms.hpp"
#include "study/study.hpp"
#include "study_main/model_input.hpp"
#include "study_output/outputs.hpp"

namespace quivor::study {
namespace {

// max |K v| against the largest diagonal entry: rounding, several orders
// above the elimination's own tolerance.
constexpr double kMechanismResidual = 1e-8;

void CheckMechanism(const Model& model, const Mechanism& mechanism) {
  double largest = 0.0;
  for (const NodeMotion& motion : mechanism.motion) {
    FUZZ_CHECK(std::isfinite(motion.dx) && std::isfinite(motion.dy));
    FUZZ_CHECK(motion.dx != 0.0 || motion.dy != 0.0);
    largest = std::max({largest, std::abs(motion.dx), std::abs(motion.dy)});
  }
  FUZZ_CHECK(largest == 1.0);
  FUZZ_CHECK(mechanism.movingNodes() == static_cast<int>(mechanism.motion.size()));
  FUZZ_CHECK(MechanismResidual(model, mechanism) <= kMechanismResidual);
}

void CheckStudy(const Model& model, const Study& study) {
  if (study.quivorSingular) FUZZ_CHECK(!study.stable);
  FUZZ_CHECK(study.maxwell == study.bars + study.restraints - 2 * study.nodes);
  for (const Mechanism& mechanism : study.mechanisms) CheckMechanism(model, mechanism);
  if (!study.stable) {
    FUZZ_CHECK(!study.build && study.cases.empty() && !study.collapse && !study.efficiency);
    return;
  }
  FUZZ_CHECK(study.mechanisms.empty());
  FUZZ_CHECK(study.build && static_cast<int>(study.build->bars.size()) == study.bars);
  for (const BuildBar& bar : study.build->bars) FUZZ_CHECK(bar.strands >= 3);
  for (const CaseCollapse& c : study.cases) {
    if (c.factor) FUZZ_CHECK(*c.factor > 0.0);
    FUZZ_CHECK(c.factor.has_value() == c.bar.has_value());
    FUZZ_CHECK(!(c.maxDisplacement < 0.0));
  }
  if (study.collapse) FUZZ_CHECK(!(study.collapse->load < 0.0));
}

// A folder of our own for the outputs, removed when the fuzzer ends.
class OutputFolder {
 public:
  OutputFolder() {
    std::error_code error;
    path_ = std::filesystem::temp_directory_path(error) /
            ("quivor-fuzz-study-" + files::RandomLetters());
    std::filesystem::create_directories(path_, error);
  }
  ~OutputFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;
  std::string Name(const char* file) const { return (path_ / file).string(); }

 private:
  std::filesystem::path path_;
};

// The output, written whole through the companion's writer, reads back as
// it was written.
void CheckWritten(const std::string& name, const std::string& bytes) {
  FUZZ_CHECK(files::WriteWhole(name, bytes).ok());
  const files::ReadResult read = files::ReadWhole(name, bytes.size());
  FUZZ_CHECK(read.outcome.ok() && read.text == bytes);
}

}  // namespace
}  // namespace quivor::study

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quivor;
  using namespace quivor::study;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ModelInput input = ReadModelText("fuzz.txt", text);
  if (!input.error.empty()) {
    FUZZ_CHECK(input.error.starts_with("fuzz.txt"));
    FUZZ_CHECK(input.error.find('\n') == std::string::npos);
    return 0;
  }
  if (!SmallEnough(input.model)) return 0;
  Study study;
  try {
    study = StudyModel(input.model, {});
  } catch (const CountOverflow&) {
    // A force or a bar far too large for the bridge to be counted.
    return 0;
  }
  CheckStudy(input.model, study);
  const auto document = nlohmann::json::parse(JsonDocument("fuzz", study));
  FUZZ_CHECK(document["stable"] == study.stable);
  const std::string csv = CsvTable(study);
  FUZZ_CHECK(csv.empty() == !study.build);
  const std::string html = page::PageHtml("fuzz", input.model, study, {});
  static const OutputFolder folder;
  CheckWritten(folder.Name("fuzz.json"), JsonDocument("fuzz", study));
  if (study.build) CheckWritten(folder.Name("fuzz.csv"), csv);
  CheckWritten(folder.Name("fuzz.html"), html);
  FUZZ_CHECK(html.starts_with("<!DOCTYPE html>"));
  for (const char* bad : {"NaN", "nan\"", "inf\"", "nan ", "inf "}) {
    FUZZ_CHECK(html.find(bad) == std::string::npos);
  }
  return 0;
}
