// The model being edited: read from and written as quivor's model file,
// changed by small operations, with every change undoable.
//
// A model is plain data:
//   { nos: [{no, x, y}], barras: [{barra, a, b}],
//     apoios: [{no, x, y}]          (x, y: 1 free, 0 held, as in the file),
//     casos: [[{no, fx, fy}]]       (one list of loads per case),
//     coefTracao, coefCompressao }
"use strict";

const QuivorEditorModel = (() => {
  const MAX_LABEL = 1000;
  const MAX_INT16 = 32767;

  // ---- reading ----------------------------------------------------------

  // The file's records, each read as the program reads it: a read starts at
  // the next record and takes values from as many records as it needs; what
  // is left on its last record is not read.
  class Records {
    constructor(text) {
      this.lines = String(text).replace(/\r\n?/g, "\n").split("\n");
      this.next = 0;
    }

    read(count, what) {
      const values = [];
      while (values.length < count) {
        if (this.next >= this.lines.length) {
          throw new Error(`o arquivo acaba antes de ${what}`);
        }
        const line = this.next++;
        const text = this.lines[line].split("/")[0];
        for (const token of text.split(/[\s,]+/).filter(Boolean)) {
          if (values.length < count) values.push({ token, line: line + 1 });
        }
        if (this.lines[line].includes("/") && values.length < count) {
          throw new Error(`linha ${line + 1}: faltam valores em ${what}`);
        }
      }
      return values;
    }

    integer(what, low = -MAX_INT16 - 1, high = MAX_INT16) {
      const [{ token, line }] = this.read(1, what);
      return checkedInteger(token, line, what, low, high);
    }

    integers(count, what, low, high) {
      return this.read(count, what).map(({ token, line }) =>
        checkedInteger(token, line, what, low, high),
      );
    }

    real(what) {
      const [{ token, line }] = this.read(1, what);
      return checkedReal(token, line, what);
    }
  }

  function checkedInteger(token, line, what, low, high) {
    if (!/^[+-]?\d+$/.test(token)) {
      throw new Error(`linha ${line}: "${token}" não é um número inteiro (${what})`);
    }
    const value = Number(token);
    if (value < low || value > high) {
      throw new Error(`linha ${line}: ${value} fora de ${low} a ${high} (${what})`);
    }
    return value;
  }

  function checkedReal(token, line, what) {
    if (!/^[+-]?(\d+\.?\d*|\.\d+)([eEdD][+-]?\d+)?$/.test(token)) {
      throw new Error(`linha ${line}: "${token}" não é um número (${what})`);
    }
    return Number(token.replace(/[dD]/, "e"));
  }

  // The model a file's text holds; throws an Error saying what and where
  // when it cannot be read.
  function parse(text) {
    const r = new Records(text);
    const nodeCount = r.integer("o número de nós", 1, MAX_LABEL);
    const barCount = r.integer("o número de barras", 1, MAX_INT16);
    const model = { nos: [], barras: [], apoios: [], casos: [], textos: {} };
    const labels = new Set();
    for (let i = 0; i < nodeCount; i++) {
      const what = `o nó ${i + 1}`;
      const [label, x, y] = r.read(3, what);
      const no = checkedInteger(label.token, label.line, what, 1, MAX_LABEL);
      if (labels.has(no)) throw new Error(`linha ${label.line}: o nó ${no} aparece duas vezes`);
      labels.add(no);
      model.nos.push({
        no,
        x: checkedReal(x.token, x.line, what),
        y: checkedReal(y.token, y.line, what),
      });
      model.textos[`n${no}x`] = x.token;
      model.textos[`n${no}y`] = y.token;
    }
    for (let j = 0; j < barCount; j++) {
      const what = `a barra ${j + 1}`;
      const [barra, a, b] = r.integers(3, what, -MAX_INT16 - 1, MAX_INT16);
      for (const end of [a, b]) {
        if (!labels.has(end)) throw new Error(`a barra ${barra} liga o nó ${end}, que não existe`);
      }
      model.barras.push({ barra, a, b });
    }
    const supportCount = r.integer("o número de apoios", 0, nodeCount);
    for (let k = 0; k < supportCount; k++) {
      const no = r.integer(`o nó do apoio ${k + 1}`, 1, MAX_LABEL);
      if (!labels.has(no)) throw new Error(`o apoio ${k + 1} está no nó ${no}, que não existe`);
      const [x, y] = r.integers(2, `as restrições do apoio ${k + 1}`, 0, 1);
      model.apoios.push({ no, x, y });
    }
    const caseCount = r.integer("o número de casos de carga", 1, MAX_INT16);
    // A real, its text kept under `key`.
    const real = (what, key) => {
      const [{ token, line }] = r.read(1, what);
      model.textos[key] = token;
      return checkedReal(token, line, what);
    };
    for (let c = 0; c < caseCount; c++) {
      const loads = [];
      const count = r.integer(`o número de nós carregados do caso ${c + 1}`, 0, nodeCount);
      for (let l = 0; l < count; l++) {
        const what = `a carga ${l + 1} do caso ${c + 1}`;
        const no = r.integer(what, 1, MAX_LABEL);
        if (!labels.has(no)) throw new Error(`${what} está no nó ${no}, que não existe`);
        loads.push({ no, fx: real(what, `c${c}n${no}x`), fy: real(what, `c${c}n${no}y`) });
      }
      model.casos.push(loads);
    }
    model.coefTracao = real("o coeficiente de segurança à tração", "tracao");
    model.coefCompressao = real("o coeficiente de segurança à compressão", "compressao");
    return model;
  }

  // ---- writing ----------------------------------------------------------

  // A coordinate: rounded to hundredths, as the editor keeps them.
  const round2 = (value) => Math.round(value * 100) / 100 + 0;

  // A real as its file had it, when that text still reads as the value;
  // else as the example files write them: the shortest text that reads back
  // as the value, with a decimal point.
  function real(value, text) {
    if (text !== undefined && Number(text.replace(/[dD]/, "e")) === value) return text;
    const shortest = String(value + 0);
    return /[.e]/.test(shortest) ? shortest : `${shortest}.0`;
  }

  // The model's file: one record a line, in the order the program reads;
  // the numbers unchanged since the file was read are written as they were.
  function write(model) {
    const t = model.textos || {};
    const lines = [String(model.nos.length), String(model.barras.length)];
    for (const n of model.nos) lines.push(`${n.no} ${real(n.x, t[`n${n.no}x`])} ${real(n.y, t[`n${n.no}y`])}`);
    for (const b of model.barras) lines.push(`${b.barra} ${b.a} ${b.b}`);
    lines.push(String(model.apoios.length));
    for (const s of model.apoios) lines.push(String(s.no), `${s.x} ${s.y}`);
    lines.push(String(model.casos.length));
    model.casos.forEach((loads, c) => {
      lines.push(String(loads.length));
      for (const l of loads) {
        lines.push(String(l.no), real(l.fx, t[`c${c}n${l.no}x`]), real(l.fy, t[`c${c}n${l.no}y`]));
      }
    });
    lines.push(real(model.coefTracao, t.tracao), real(model.coefCompressao, t.compressao));
    return `${lines.join("\n")}\n`;
  }

  // A model with nothing drawn yet (it is not a usable model until it has
  // nodes and bars).
  function empty() {
    return { nos: [], barras: [], apoios: [], casos: [[]], coefTracao: 2, coefCompressao: 3 };
  }

  const copy = (model) => JSON.parse(JSON.stringify(model));

  // ---- operations (each changes the model in place) ---------------------

  const node = (model, no) => model.nos.find((n) => n.no === no) || null;

  function freeLabel(items, key, high) {
    const used = new Set(items.map((item) => item[key]));
    for (let label = 1; label <= high; label++) if (!used.has(label)) return label;
    return null;
  }

  // Adds a node at (x, y); its label, or null when every label is taken.
  function addNode(model, x, y) {
    const no = freeLabel(model.nos, "no", MAX_LABEL);
    if (no !== null) model.nos.push({ no, x: round2(x), y: round2(y) });
    return no;
  }

  // Adds a bar between two nodes; its label, or null for a bar already
  // there or a node to itself.
  function addBar(model, a, b) {
    if (a === b || !node(model, a) || !node(model, b)) return null;
    if (model.barras.some((bar) => (bar.a === a && bar.b === b) || (bar.a === b && bar.b === a))) {
      return null;
    }
    const barra = freeLabel(model.barras, "barra", MAX_INT16);
    model.barras.push({ barra, a, b });
    return barra;
  }

  function moveNode(model, no, x, y) {
    const n = node(model, no);
    if (n) {
      n.x = round2(x);
      n.y = round2(y);
    }
  }

  // Removes a node with its bars, its support and its loads.
  function removeNode(model, no) {
    model.nos = model.nos.filter((n) => n.no !== no);
    model.barras = model.barras.filter((b) => b.a !== no && b.b !== no);
    model.apoios = model.apoios.filter((s) => s.no !== no);
    model.casos = model.casos.map((loads) => loads.filter((l) => l.no !== no));
  }

  function removeBar(model, barra) {
    model.barras = model.barras.filter((b) => b.barra !== barra);
  }

  // A node's support: "fixo" (0 0), "rolete-x" (moves along x: 1 0),
  // "rolete-y" (moves along y: 0 1), or "livre" (no support).
  const RESTRAINTS = { fixo: [0, 0], "rolete-x": [1, 0], "rolete-y": [0, 1] };

  function supportOf(model, no) {
    const s = model.apoios.find((item) => item.no === no);
    if (!s) return "livre";
    const found = Object.entries(RESTRAINTS).find(([, [x, y]]) => x === s.x && y === s.y);
    return found ? found[0] : "livre";
  }

  function setSupport(model, no, kind) {
    const codes = RESTRAINTS[kind];
    const at = model.apoios.findIndex((s) => s.no === no);
    if (!codes) {
      if (at >= 0) model.apoios.splice(at, 1);
    } else if (at >= 0) {
      [model.apoios[at].x, model.apoios[at].y] = codes;
    } else {
      model.apoios.push({ no, x: codes[0], y: codes[1] });
    }
  }

  function loadOf(model, caso, no) {
    const l = (model.casos[caso] || []).find((item) => item.no === no);
    return l ? { fx: l.fx, fy: l.fy } : { fx: 0, fy: 0 };
  }

  // The load on a node in a case; a zero load removes it from the case.
  function setLoad(model, caso, no, fx, fy) {
    const loads = model.casos[caso];
    if (!loads) return;
    const at = loads.findIndex((l) => l.no === no);
    if (fx === 0 && fy === 0) {
      if (at >= 0) loads.splice(at, 1);
    } else if (at >= 0) {
      Object.assign(loads[at], { fx, fy });
    } else {
      loads.push({ no, fx, fy });
    }
  }

  // ---- symmetry ---------------------------------------------------------

  // The vertical line through the middle of the supports, or null without
  // supports.
  function axis(model) {
    const xs = model.apoios.map((s) => node(model, s.no)).filter(Boolean).map((n) => n.x);
    if (xs.length === 0) return null;
    return (Math.min(...xs) + Math.max(...xs)) / 2;
  }

  const near = (a, b) => Math.abs(a - b) < 0.005;

  // Each node's mirror image about the axis (a node on the axis is its own),
  // when the geometry is symmetric: a Map from label to label; else null.
  function mirror(model) {
    const middle = axis(model);
    if (middle === null) return null;
    const pairs = new Map();
    for (const n of model.nos) {
      const image = model.nos.find((m) => near(m.x, 2 * middle - n.x) && near(m.y, n.y));
      if (!image) return null;
      pairs.set(n.no, image.no);
    }
    const has = (a, b) => model.barras.some((bar) => (bar.a === a && bar.b === b) || (bar.a === b && bar.b === a));
    for (const bar of model.barras) if (!has(pairs.get(bar.a), pairs.get(bar.b))) return null;
    return { middle, pairs };
  }

  // ---- undo and redo ----------------------------------------------------

  // The model's states: `change(f)` applies f to a copy and makes it the
  // current state, one undo step; a drag starts with `begin()` and changes
  // the current state in place with `live(f)` until `commit()`.
  class History {
    constructor(model) {
      this.past = [];
      this.future = [];
      this.model = copy(model);
      this.dragStart = null;
    }

    // Replaces the model, as one undoable step.
    replace(model) {
      this.finish();
      this.past.push(this.model);
      this.future = [];
      this.model = copy(model);
    }

    change(f) {
      this.finish();
      const next = copy(this.model);
      const result = f(next);
      if (write(next) === write(this.model)) return result;
      this.past.push(this.model);
      this.future = [];
      this.model = next;
      return result;
    }

    begin() {
      this.finish();
      this.dragStart = copy(this.model);
    }

    live(f) {
      if (this.dragStart === null) this.begin();
      return f(this.model);
    }

    // Ends a drag: one step, if it changed anything.
    finish() {
      if (this.dragStart === null) return;
      const start = this.dragStart;
      this.dragStart = null;
      if (write(start) !== write(this.model)) {
        this.past.push(start);
        this.future = [];
      }
    }

    undo() {
      this.finish();
      if (this.past.length === 0) return false;
      this.future.push(this.model);
      this.model = this.past.pop();
      return true;
    }

    redo() {
      this.finish();
      if (this.future.length === 0) return false;
      this.past.push(this.model);
      this.model = this.future.pop();
      return true;
    }
  }

  // A number typed by a person: a decimal comma or point, spaces around;
  // NaN when it is not a number.
  function typed(text) {
    const clean = String(text).trim().replace(",", ".");
    if (!/^[+-]?(\d+\.?\d*|\.\d+)$/.test(clean)) return NaN;
    return Number(clean);
  }

  // A number shown to a person: a decimal comma, at most `digits` decimals.
  function shown(value, digits = 2) {
    const rounded = Number(value.toFixed(digits)) + 0;
    return String(rounded).replace(".", ",");
  }

  return {
    MAX_LABEL,
    parse,
    write,
    empty,
    copy,
    round2,
    node,
    addNode,
    addBar,
    moveNode,
    removeNode,
    removeBar,
    supportOf,
    setSupport,
    loadOf,
    setLoad,
    axis,
    mirror,
    History,
    typed,
    shown,
  };
})();

if (typeof module !== "undefined") module.exports = QuivorEditorModel;
