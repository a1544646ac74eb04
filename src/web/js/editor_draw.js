// The editor's drawing: the model in SVG, with what its study says on it.
// Model coordinates are centimetres, y upwards; the view maps them to the
// drawing's pixels: px = ox + x * scale, py = oy - y * scale.
"use strict";

const QuivorEditorDraw = (() => {
  const M = QuivorEditorModel;

  const toScreen = (view, x, y) => [view.ox + x * view.scale, view.oy - y * view.scale];
  const toModel = (view, px, py) => [(px - view.ox) / view.scale, (view.oy - py) / view.scale];

  // The view that shows every node, with a margin, in a box of this size.
  function fit(model, width, height) {
    if (model.nos.length === 0) return { scale: 8, ox: width * 0.1, oy: height * 0.75 };
    const xs = model.nos.map((n) => n.x);
    const ys = model.nos.map((n) => n.y);
    const [x0, x1, y0, y1] = [Math.min(...xs), Math.max(...xs), Math.min(...ys), Math.max(...ys)];
    const margin = 60;
    const scale = Math.min(
      (width - 2 * margin) / Math.max(x1 - x0, 1),
      (height - 2 * margin) / Math.max(y1 - y0, 1),
      200,
    );
    return {
      scale,
      ox: width / 2 - ((x0 + x1) / 2) * scale,
      oy: height / 2 + ((y0 + y1) / 2) * scale,
    };
  }

  const f = (value) => (Math.round(value * 10) / 10).toString();

  // The colour class of a bar's force: tension, compression, or none.
  function forceClass(force) {
    if (force === null || force === undefined || !Number.isFinite(force)) return "sem-forca";
    if (Math.abs(force) < 1e-6) return "sem-forca";
    return force > 0 ? "tracao" : "compressao";
  }

  function grid(view, step, width, height) {
    let pixels = step * view.scale;
    while (pixels < 8) pixels *= 5;
    const x = ((view.ox % pixels) + pixels) % pixels;
    const y = ((view.oy % pixels) + pixels) % pixels;
    return (
      `<defs><pattern id="grade" width="${f(pixels)}" height="${f(pixels)}" patternUnits="userSpaceOnUse"` +
      ` x="${f(x)}" y="${f(y)}"><path d="M ${f(pixels)} 0 L 0 0 0 ${f(pixels)}" class="grade"/></pattern></defs>` +
      `<rect width="${width}" height="${height}" fill="url(#grade)"/>` +
      `<line class="eixo" x1="0" x2="${width}" y1="${f(view.oy)}" y2="${f(view.oy)}"/>`
    );
  }

  function support(view, model, s) {
    const n = M.node(model, s.no);
    if (!n) return "";
    const [px, py] = toScreen(view, n.x, n.y);
    const kind = M.supportOf(model, s.no);
    const rotate = kind === "rolete-y" ? ` transform="rotate(90 ${f(px)} ${f(py)})"` : "";
    let shape = `<path d="M ${f(px)} ${f(py)} l -10 16 h 20 z"/>`;
    if (kind !== "fixo") shape += `<line x1="${f(px - 12)}" x2="${f(px + 12)}" y1="${f(py + 21)}" y2="${f(py + 21)}"/>`;
    return `<g class="apoio" data-apoio="${s.no}"${rotate}>${shape}</g>`;
  }

  function load(view, model, l) {
    const n = M.node(model, l.no);
    const size = Math.hypot(l.fx, l.fy);
    if (!n || size === 0) return "";
    const [px, py] = toScreen(view, n.x, n.y);
    const [ux, uy] = [l.fx / size, -l.fy / size];
    const length = 40;
    const [sx, sy] = [px - ux * length, py - uy * length];
    const head = `${f(px)},${f(py)} ${f(px - ux * 9 - uy * 5)},${f(py - uy * 9 + ux * 5)} ${f(px - ux * 9 + uy * 5)},${f(py - uy * 9 - ux * 5)}`;
    return (
      `<g class="carga" data-carga="${l.no}"><line x1="${f(sx)}" y1="${f(sy)}" x2="${f(px)}" y2="${f(py)}"/>` +
      `<polygon points="${head}"/><text x="${f(sx + 4)}" y="${f(sy - 4)}">${M.shown(size)} kgf</text></g>`
    );
  }

  // The motion of a mechanism: the nodes moved, the bars between them
  // dashed. Its components (the largest is 1) are drawn as 12 % of the
  // truss's size, as the study's page draws them.
  function motion(view, model, mechanism) {
    const moves = new Map(mechanism.map((m) => [m.node, m]));
    const [xs, ys] = [model.nos.map((n) => n.x), model.nos.map((n) => n.y)];
    const size = Math.max(Math.max(...xs) - Math.min(...xs), Math.max(...ys) - Math.min(...ys), 10);
    const reach = 0.12 * size;
    const part = (d) => (Number.isFinite(d) ? Math.min(Math.max(d, -1), 1) * reach : 0);
    const moved = (n) => {
      const m = moves.get(n.no) || { dx: 0, dy: 0 };
      return toScreen(view, n.x + part(m.dx), n.y + part(m.dy));
    };
    let out = `<g class="movimento">`;
    for (const b of model.barras) {
      const [na, nb] = [M.node(model, b.a), M.node(model, b.b)];
      if (!na || !nb) continue;
      const [[ax, ay], [bx, by]] = [moved(na), moved(nb)];
      out += `<line x1="${f(ax)}" y1="${f(ay)}" x2="${f(bx)}" y2="${f(by)}"/>`;
    }
    for (const n of model.nos) {
      const m = moves.get(n.no);
      if (!m || !(Math.hypot(part(m.dx), part(m.dy)) > 0)) continue;
      const [px, py] = toScreen(view, n.x, n.y);
      const [qx, qy] = moved(n);
      out += `<line class="seta" x1="${f(px)}" y1="${f(py)}" x2="${f(qx)}" y2="${f(qy)}"/>`;
    }
    return `${out}</g>`;
  }

  // A shape beside the model (the optimised one): its bars dashed.
  function ghost(view, model) {
    let out = `<g class="proposta">`;
    for (const b of model.barras) {
      const [na, nb] = [M.node(model, b.a), M.node(model, b.b)];
      if (!na || !nb) continue;
      const [[ax, ay], [bx, by]] = [toScreen(view, na.x, na.y), toScreen(view, nb.x, nb.y)];
      out += `<line x1="${f(ax)}" y1="${f(ay)}" x2="${f(bx)}" y2="${f(by)}"/>`;
    }
    return `${out}</g>`;
  }

  // The whole drawing as SVG markup. `state`: {model, view, width, height,
  // grid, selected: {no}|{barra}|null, pending (the first node of a bar),
  // pointer ([x, y] in model units), caso, study (the JSON, or null),
  // mostrar: "forcas" | "fios", proposta (a model, or null)}.
  function render(state) {
    const { model, view, width, height } = state;
    const study = state.study;
    const forces = new Map();
    const strands = new Map();
    if (study && study.cases && study.cases[state.caso] && study.cases[state.caso].forces) {
      study.cases[state.caso].forces.forEach((force, i) => {
        if (model.barras[i]) forces.set(model.barras[i].barra, force);
      });
    }
    if (study && study.build) for (const b of study.build.bars) strands.set(b.bar, b.strands);
    const collapseBar = study && study.collapse ? study.collapse.bar : null;
    // What the warnings name is marked where it is.
    const warned = { nos: new Set(), barras: new Set() };
    for (const w of (study && study.warnings) || []) {
      if (w.node !== undefined) warned.nos.add(w.node);
      if (w.bar !== undefined) warned.barras.add(w.bar);
    }
    let out = grid(view, state.grid, width, height);
    if (study && !study.stable && study.mechanisms && study.mechanisms.length > 0) {
      const shown = Math.min(state.mecanismo || 0, study.mechanisms.length - 1);
      out += motion(view, model, study.mechanisms[shown]);
    }
    if (state.proposta) out += ghost(view, state.proposta);
    for (const b of model.barras) {
      const [na, nb] = [M.node(model, b.a), M.node(model, b.b)];
      if (!na || !nb) continue;
      const [[ax, ay], [bx, by]] = [toScreen(view, na.x, na.y), toScreen(view, nb.x, nb.y)];
      const force = forces.get(b.barra);
      const classes = ["barra", state.mostrar === "fios" ? "fios" : forceClass(force)];
      if (state.selected && state.selected.barra === b.barra) classes.push("selecionado");
      if (b.barra === collapseBar) classes.push("colapso");
      if (warned.barras.has(b.barra)) classes.push("aviso");
      let label = "";
      if (state.mostrar === "fios" && strands.has(b.barra)) label = `${strands.get(b.barra)} fios`;
      else if (force !== undefined && force !== null) label = M.shown(force, 2);
      const text = label
        ? `<text x="${f((ax + bx) / 2)}" y="${f((ay + by) / 2 - 4)}">${label}</text>`
        : "";
      out +=
        `<g class="${classes.join(" ")}" data-barra="${b.barra}"><line class="alvo" x1="${f(ax)}" y1="${f(ay)}" x2="${f(bx)}" y2="${f(by)}"/>` +
        `<line x1="${f(ax)}" y1="${f(ay)}" x2="${f(bx)}" y2="${f(by)}"/>${text}</g>`;
    }
    if (state.pending !== null && state.pointer) {
      const n = M.node(model, state.pending);
      if (n) {
        const [ax, ay] = toScreen(view, n.x, n.y);
        const [bx, by] = toScreen(view, state.pointer[0], state.pointer[1]);
        out += `<line class="nova-barra" x1="${f(ax)}" y1="${f(ay)}" x2="${f(bx)}" y2="${f(by)}"/>`;
      }
    }
    for (const s of model.apoios) out += support(view, model, s);
    for (const l of model.casos[state.caso] || []) out += load(view, model, l);
    for (const n of model.nos) {
      const [px, py] = toScreen(view, n.x, n.y);
      const classes = ["no"];
      if (state.selected && state.selected.no === n.no) classes.push("selecionado");
      if (state.pending === n.no) classes.push("pendente");
      if (warned.nos.has(n.no)) classes.push("aviso");
      out +=
        `<g class="${classes.join(" ")}" data-no="${n.no}"><circle cx="${f(px)}" cy="${f(py)}" r="7"/>` +
        `<text x="${f(px + 9)}" y="${f(py - 9)}">${n.no}</text></g>`;
    }
    return out;
  }

  // Moves the drawn nodes of these labels, and their bars, to where the
  // model has them, leaving the rest of the drawing as it is; false when it
  // cannot (a node with a support or a load, or not drawn), for a whole
  // drawing instead.
  function moveNodes(svg, state, labels) {
    const { model, view } = state;
    const moved = new Set(labels);
    if (model.apoios.some((s) => moved.has(s.no))) return false;
    if ((model.casos[state.caso] || []).some((l) => moved.has(l.no))) return false;
    const set = (element, values) => {
      for (const [key, value] of Object.entries(values)) element.setAttribute(key, f(value));
    };
    for (const no of moved) {
      const n = M.node(model, no);
      const drawn = svg.querySelector(`[data-no="${no}"]`);
      if (!n || !drawn) return false;
      const [px, py] = toScreen(view, n.x, n.y);
      set(drawn.querySelector("circle"), { cx: px, cy: py });
      set(drawn.querySelector("text"), { x: px + 9, y: py - 9 });
    }
    for (const b of model.barras) {
      if (!moved.has(b.a) && !moved.has(b.b)) continue;
      const drawn = svg.querySelector(`[data-barra="${b.barra}"]`);
      const [na, nb] = [M.node(model, b.a), M.node(model, b.b)];
      if (!drawn || !na || !nb) return false;
      const [[ax, ay], [bx, by]] = [toScreen(view, na.x, na.y), toScreen(view, nb.x, nb.y)];
      for (const line of drawn.querySelectorAll("line")) set(line, { x1: ax, y1: ay, x2: bx, y2: by });
      const text = drawn.querySelector("text");
      if (text) set(text, { x: (ax + bx) / 2, y: (ay + by) / 2 - 4 });
    }
    return true;
  }

  return { toScreen, toModel, fit, render, forceClass, moveNodes };
})();

if (typeof module !== "undefined") module.exports = QuivorEditorDraw;
