// Reading the model data file: one free-form read per record group, in file
// order; each array allocated as its count becomes known; the label map.
//
// The model is checked as it is read, each value as soon as its read has
// ended, so that a label the map cannot hold, a node that does not exist or a
// bar of zero length never reaches the analysis: such a model is rejected
// with one line that names the value and the line of the file where it stands.
#include "model/read_model_file.hpp"

#include <array>
#include <cstdint>
#include <string>

#include "model/bar_geometry.hpp"

namespace quivor {
namespace {

// The line of an item's value; for an item left without one (null, slash),
// the line where its read stopped.
std::int64_t LineOf(const ReadItem& item, const InputUnit& unit) {
  return item.line != 0 ? item.line : unit.line();
}

bool IsNode(const LabelMap& nodeIndexOfLabel, int label) {
  return label >= 1 && label <= kMaxNodeLabel && nodeIndexOfLabel(label) != 0;
}

std::string Missing(int label) { return "o no " + std::to_string(label) + ", que nao existe"; }

std::string What(const ModelRejection& r) {
  using std::to_string;
  switch (r.kind) {
    case RejectionKind::kNoNodes:
      return "numero de nos " + to_string(r.value) + "; o modelo precisa de ao menos 1 no";
    case RejectionKind::kLabelOutOfRange:
      return "rotulo de no " + to_string(r.value) + " fora da faixa de 1 a " +
             to_string(kMaxNodeLabel);
    case RejectionKind::kLabelRepeated:
      return "rotulo de no " + to_string(r.value) + " repetido";
    case RejectionKind::kBarUnknownNode:
      return "a barra " + to_string(r.owner) + " usa " + Missing(r.value);
    case RejectionKind::kBarSameNode:
      return "a barra " + to_string(r.owner) + " liga o no " + to_string(r.value) + " a ele mesmo";
    case RejectionKind::kBarZeroLength:
      return "a barra " + to_string(r.owner) + " tem comprimento zero: os nos " +
             to_string(r.value) + " e " + to_string(r.other) + " estao no mesmo ponto";
    case RejectionKind::kSupportUnknownNode:
      return "o apoio " + to_string(r.owner) + " usa " + Missing(r.value);
    case RejectionKind::kLoadUnknownNode:
      return "o caso de carga " + to_string(r.owner) + " carrega " + Missing(r.value);
  }
  return {};
}

}  // namespace

std::string RejectionText(const ModelRejection& rejection) {
  return "Erro no modelo, linha " + std::to_string(rejection.line) + ": " + What(rejection);
}

ModelStatus ReadModelFile(InputUnit& unit, Model& model) {
  ModelStatus status;
  auto read = [&](std::span<ReadItem> items) {
    status.failure = FreeFormRead(unit, items);
    return !status.failure.failed();
  };
  auto allocated = [&](Failure failure) {
    status.failure = failure;
    return !failure.failed();
  };
  auto reject = [&](const ReadItem& item, RejectionKind kind, int value, int owner = 0,
                    int other = 0) {
    status.rejection = ModelRejection{kind, LineOf(item, unit), value, owner, other};
    return status;
  };
  LabelMap& nodeIndexOfLabel = model.nodeIndexOfLabel;

  // Nodes: label and coordinates (cm), in file order = internal index.
  std::array nodeCountItem{ReadItem(model.nodeCount)};
  if (!read(nodeCountItem)) return status;
  if (model.nodeCount < 1) {
    return reject(nodeCountItem[0], RejectionKind::kNoNodes, model.nodeCount);
  }
  std::array barCountItem{ReadItem(model.barCount)};
  if (!read(barCountItem)) return status;
  if (!allocated(Allocate(model.nodeLabel, model.nodeCount))) return status;
  if (!allocated(Allocate(model.nodeCoord, model.nodeCount, 2))) return status;
  for (int i = 1; i <= model.nodeCount; ++i) {
    std::array node{ReadItem(model.nodeLabel(i)), ReadItem(model.nodeCoord(i, 1)),
                    ReadItem(model.nodeCoord(i, 2))};
    if (!read(node)) return status;
    const int label = model.nodeLabel(i);
    if (label < 1 || label > kMaxNodeLabel) {
      return reject(node[0], RejectionKind::kLabelOutOfRange, label);
    }
    if (nodeIndexOfLabel(label) != 0) {
      return reject(node[0], RejectionKind::kLabelRepeated, label);
    }
    nodeIndexOfLabel(label) = static_cast<std::int16_t>(i);
  }

  // Bars: label and the labels of their end nodes, kept as labels.
  if (!allocated(Allocate(model.barLabel, model.barCount))) return status;
  if (!allocated(Allocate(model.barNodes, model.barCount, 2))) return status;
  for (int j = 1; j <= model.barCount; ++j) {
    std::array bar{ReadItem(model.barLabel(j)), ReadItem(model.barNodes(j, 1)),
                   ReadItem(model.barNodes(j, 2))};
    if (!read(bar)) return status;
    const int barLabel = model.barLabel(j);
    const int start = model.barNodes(j, 1);
    const int end = model.barNodes(j, 2);
    if (!IsNode(nodeIndexOfLabel, start)) {
      return reject(bar[1], RejectionKind::kBarUnknownNode, start, barLabel);
    }
    if (!IsNode(nodeIndexOfLabel, end)) {
      return reject(bar[2], RejectionKind::kBarUnknownNode, end, barLabel);
    }
    if (start == end) return reject(bar[2], RejectionKind::kBarSameNode, start, barLabel);
    // The length as the analysis finds it: zero would divide by zero there.
    if (GeometryOfBar(j, nodeIndexOfLabel, model.barNodes, model.nodeCoord).length == 0.0) {
      return reject(bar[2], RejectionKind::kBarZeroLength, start, barLabel, end);
    }
  }

  // Supports: the node (converted to its internal index), then its codes.
  std::array supportCountItem{ReadItem(model.supportCount)};
  if (!read(supportCountItem)) return status;
  if (!allocated(Allocate(model.supportTable, model.supportCount, 3))) return status;
  std::int16_t supportNodeLabel = 0;  // keeps its value through a null
  for (int k = 1; k <= model.supportCount; ++k) {
    std::array support{ReadItem(supportNodeLabel)};
    if (!read(support)) return status;
    if (!IsNode(nodeIndexOfLabel, supportNodeLabel)) {
      return reject(support[0], RejectionKind::kSupportUnknownNode, supportNodeLabel, k);
    }
    model.supportTable(k, 1) = nodeIndexOfLabel(supportNodeLabel);
    std::array codes{ReadItem(model.supportTable(k, 2)), ReadItem(model.supportTable(k, 3))};
    if (!read(codes)) return status;
  }

  // Load cases: forces stored, not added, into a matrix that starts at zero
  // (kgf).
  std::array loadCaseCountItem{ReadItem(model.loadCaseCount)};
  if (!read(loadCaseCountItem)) return status;
  if (!allocated(Allocate(model.loadMatrix, 2 * model.nodeCount, model.loadCaseCount))) {
    return status;
  }
  std::int16_t loadedNodeCount = 0;
  std::int16_t loadNodeLabel = 0;
  for (int caseIndex = 1; caseIndex <= model.loadCaseCount; ++caseIndex) {
    std::array loadedNodes{ReadItem(loadedNodeCount)};
    if (!read(loadedNodes)) return status;
    for (int m = 1; m <= loadedNodeCount; ++m) {
      std::array loaded{ReadItem(loadNodeLabel)};
      if (!read(loaded)) return status;
      if (!IsNode(nodeIndexOfLabel, loadNodeLabel)) {
        return reject(loaded[0], RejectionKind::kLoadUnknownNode, loadNodeLabel, caseIndex);
      }
      const int loadDof = 2 * nodeIndexOfLabel(loadNodeLabel) - 1;
      std::array forceX{ReadItem(model.loadMatrix(loadDof, caseIndex))};
      if (!read(forceX)) return status;
      std::array forceY{ReadItem(model.loadMatrix(loadDof + 1, caseIndex))};
      if (!read(forceY)) return status;
    }
  }

  // The safety coefficients, straight into 32 bits.
  std::array tension{ReadItem(model.tensionSafetyFactor)};
  if (!read(tension)) return status;
  std::array compression{ReadItem(model.compressionSafetyFactor)};
  read(compression);
  return status;
}

}  // namespace quivor
