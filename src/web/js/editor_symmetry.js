// Symmetric editing: a change on one side of the vertical line through the
// middle of the supports repeated on the mirrored side.
"use strict";

const QuivorEditorSymmetry = (() => {
  const M = QuivorEditorModel;

  // Each operation takes the model, the mirror ({middle, pairs}, or null
  // when the model is not symmetric or the mode is off) and its arguments.

  function moveNode(model, mirror, no, x, y) {
    M.moveNode(model, no, x, y);
    if (!mirror) return;
    const image = mirror.pairs.get(no);
    if (image === undefined) return;
    if (image === no) M.moveNode(model, no, mirror.middle, y);
    else M.moveNode(model, image, 2 * mirror.middle - x, y);
  }

  function addNode(model, mirror, x, y) {
    const no = M.addNode(model, x, y);
    if (mirror && no !== null && Math.abs(x - mirror.middle) >= 0.005) {
      M.addNode(model, 2 * mirror.middle - x, y);
    }
    return no;
  }

  // The node at the mirrored place of a node, after nodes were added.
  function imageOf(model, middle, no) {
    const n = M.node(model, no);
    if (!n) return null;
    const image = model.nos.find(
      (m) => Math.abs(m.x - (2 * middle - n.x)) < 0.005 && Math.abs(m.y - n.y) < 0.005,
    );
    return image ? image.no : null;
  }

  function addBar(model, mirror, a, b) {
    const bar = M.addBar(model, a, b);
    if (mirror) {
      const [ia, ib] = [imageOf(model, mirror.middle, a), imageOf(model, mirror.middle, b)];
      if (ia !== null && ib !== null) M.addBar(model, ia, ib);
    }
    return bar;
  }

  function removeNode(model, mirror, no) {
    const image = mirror ? mirror.pairs.get(no) : undefined;
    M.removeNode(model, no);
    if (image !== undefined) M.removeNode(model, image);
  }

  function removeBar(model, mirror, barra) {
    const bar = model.barras.find((b) => b.barra === barra);
    M.removeBar(model, barra);
    if (!mirror || !bar) return;
    const [ia, ib] = [mirror.pairs.get(bar.a), mirror.pairs.get(bar.b)];
    const image = model.barras.find((b) => (b.a === ia && b.b === ib) || (b.a === ib && b.b === ia));
    if (image) M.removeBar(model, image.barra);
  }

  function setSupport(model, mirror, no, kind) {
    M.setSupport(model, no, kind);
    if (mirror && mirror.pairs.has(no)) M.setSupport(model, mirror.pairs.get(no), kind);
  }

  function setLoad(model, mirror, caso, no, fx, fy) {
    M.setLoad(model, caso, no, fx, fy);
    if (!mirror || !mirror.pairs.has(no)) return;
    const image = mirror.pairs.get(no);
    if (image === no) M.setLoad(model, caso, no, 0, fy);
    else M.setLoad(model, caso, image, -fx, fy);
  }

  return { moveNode, addNode, addBar, removeNode, removeBar, setSupport, setLoad };
})();

if (typeof module !== "undefined") module.exports = QuivorEditorSymmetry;
