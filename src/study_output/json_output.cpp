// The study as one JSON document.
#include <nlohmann/json.hpp>

#include "study_output/outputs.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {
namespace {

using json = nlohmann::ordered_json;

template <class T>
json OrNull(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

std::string_view ModeKey(FailureMode mode) {
  return mode == FailureMode::kTension ? "tension" : "buckling";
}

std::string_view KindKey(WarningKind kind) {
  switch (kind) {
    case WarningKind::kNoBar:
      return "no-bar";
    case WarningKind::kOneBar:
      return "one-bar";
    case WarningKind::kCollinearBars:
      return "collinear-bars";
    case WarningKind::kDuplicateBar:
      return "duplicate-bar";
    case WarningKind::kTinyPivot:
      return "tiny-pivot";
    case WarningKind::kNoMotionFound:
      return "no-motion-found";
    case WarningKind::kNotFinite:
      return "not-finite";
  }
  return "";
}

json Warnings(const Study& study, std::span<const FileWarning> fileWarnings) {
  json warnings = json::array();
  for (const FileWarning& w : fileWarnings) {
    warnings.push_back(
        {{"kind", "ignored-number"}, {"line", w.line}, {"ignored", w.ignored}, {"text", w.text}});
  }
  for (const Warning& w : study.warnings) {
    json entry = {{"kind", KindKey(w.kind)}};
    if (w.kind == WarningKind::kDuplicateBar) {
      entry["bar"] = w.bar;
    } else if (w.node != 0) {
      entry["node"] = w.node;
    }
    entry["text"] = WarningText(w);
    warnings.push_back(std::move(entry));
  }
  return warnings;
}

json Mechanisms(const Study& study) {
  json mechanisms = json::array();
  for (const Mechanism& m : study.mechanisms) {
    json motion = json::array();
    for (const NodeMotion& n : m.motion) {
      motion.push_back({{"node", n.node}, {"dx", n.dx}, {"dy", n.dy}});
    }
    mechanisms.push_back(std::move(motion));
  }
  return mechanisms;
}

json Build(const BuildList& build) {
  json bars = json::array();
  for (const BuildBar& b : build.bars) {
    bars.push_back({{"bar", b.bar},
                    {"start", b.start},
                    {"end", b.end},
                    {"length", b.length},
                    {"strands", b.strands},
                    {"case", b.loadCase == 0 ? json(nullptr) : json(b.loadCase)},
                    {"weight", b.weight},
                    {"splice", b.splice}});
  }
  return {
      {"bars", std::move(bars)}, {"weight", build.weight}, {"wholeStrands", build.wholeStrands}};
}

json BridgeFigures(const Bridge& bridge) {
  return {{"trusses", bridge.trusses},
          {"glue", bridge.glue},
          {"extraWeight", bridge.extraWeight},
          {"weight", bridge.weight},
          {"withinLimit", bridge.withinLimit},
          {"collapseLoad", OrNull(bridge.collapseLoad)},
          {"efficiency", OrNull(bridge.efficiency)},
          {"wholeStrands", bridge.wholeStrands}};
}

json Cases(const std::vector<CaseCollapse>& studied) {
  json cases = json::array();
  for (const CaseCollapse& c : studied) {
    cases.push_back({{"case", c.loadCase},
                     {"load", c.load},
                     {"factor", OrNull(c.factor)},
                     {"collapseLoad", OrNull(c.collapseLoad)},
                     {"bar", OrNull(c.bar)},
                     {"mode", c.mode ? json(ModeKey(*c.mode)) : json(nullptr)},
                     {"maxDisplacement", c.maxDisplacement},
                     {"node", c.node},
                     {"forces", c.barForces}});
  }
  return cases;
}

json CollapseOf(const std::optional<Collapse>& collapse) {
  if (!collapse) return nullptr;
  return {{"case", collapse->loadCase},
          {"load", collapse->load},
          {"bar", collapse->bar},
          {"mode", ModeKey(collapse->mode)}};
}

// One value of the material: the expected and the characteristic value,
// and where it came from.
json MaterialValue(const StrandMaterial& m, double expected, double conservative,
                   const ValueNote& note) {
  std::string_view source = "bundled";
  if (note.given) source = "file";
  return {{"expected", expected},
          {"conservative", conservative},
          {"source", source},
          {"note", note.given && !note.note.empty() ? json(note.note) : json(nullptr)},
          {"characteristic", note.characteristic || m.bundled()}};
}

json MaterialOf(const StrandMaterial& m) {
  std::string_view origin = "bundled";
  if (m.origin == StrandMaterial::Origin::kFile) origin = "file";
  if (m.origin == StrandMaterial::Origin::kBesideModel) origin = "beside-model";
  return {{"origin", origin},
          {"file", m.bundled() ? json(nullptr) : json(m.file)},
          {"tension", MaterialValue(m, m.expected.tension, m.conservative.tension, m.tension)},
          {"bucklingConstant", MaterialValue(m, m.expected.bucklingConstant,
                                             m.conservative.bucklingConstant, m.buckling)},
          {"linearWeight",
           MaterialValue(m, m.expected.linearWeight, m.conservative.linearWeight, m.weight)},
          {"sizedWithMaterial", m.sizeWithMaterial},
          {"text", MaterialOrigin(m)}};
}

}  // namespace

std::string JsonDocument(const std::string& modelName, const Study& study,
                         std::span<const FileWarning> fileWarnings) {
  json document = {{"model", modelName},
                   {"nodes", study.nodes},
                   {"bars", study.bars},
                   {"restraints", study.restraints},
                   {"equations", 2 * study.nodes},
                   {"maxwell", study.maxwell},
                   {"stable", study.stable},
                   {"mechanisms", Mechanisms(study)},
                   {"warnings", Warnings(study, fileWarnings)},
                   {"weightLimit", study.weightLimit},
                   {"strandLength", study.strandLength}};
  document["build"] = study.build ? Build(*study.build) : json(nullptr);
  document["cases"] = study.stable ? Cases(study.cases) : json(nullptr);
  document["collapse"] = CollapseOf(study.collapse);
  document["efficiency"] = OrNull(study.efficiency);
  // The figures above are one truss's; the whole bridge's are here.
  document["bridge"] = study.bridge ? BridgeFigures(*study.bridge) : json(nullptr);
  document["material"] = MaterialOf(study.material);
  // The bridge's conservative figures beside each truss's.
  json conservativeBridge = nullptr;
  if (study.bridge) {
    conservativeBridge = {{"collapseLoad", OrNull(study.bridge->conservativeCollapseLoad)},
                          {"efficiency", OrNull(study.bridge->conservativeEfficiency)}};
  }
  document["conservative"] = study.stable
                                 ? json{{"cases", Cases(study.conservativeCases)},
                                        {"collapse", CollapseOf(study.conservativeCollapse)},
                                        {"efficiency", OrNull(study.conservativeEfficiency)},
                                        {"bridge", conservativeBridge}}
                                 : json(nullptr);
  // A model name that is not UTF-8 (a Windows-1252 name) is written with
  // its odd bytes replaced rather than refused.
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace quivor::study
