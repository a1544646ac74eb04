// The editor's scripts that hold no page: the model read and written as
// quivor's file, its operations, undo and redo, symmetric editing, the
// stored work and the shared link, the view.
//   node --test tests/web/editor_scripts_test.js
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const test = require("node:test");
const vm = require("node:vm");

const root = path.join(__dirname, "..", "..");
const scope = vm.createContext({});
for (const name of ["editor_model.js", "editor_draw.js", "editor_symmetry.js", "editor_storage.js"]) {
  const file = path.join(root, "src", "web", "js", name);
  vm.runInContext(fs.readFileSync(file, "utf8"), scope, { filename: file });
}
const M = vm.runInContext("QuivorEditorModel", scope);
const D = vm.runInContext("QuivorEditorDraw", scope);
const Y = vm.runInContext("QuivorEditorSymmetry", scope);
const S = vm.runInContext("QuivorEditorStorage", scope);
const plain = (value) => JSON.parse(JSON.stringify(value));
const example = (name) => fs.readFileSync(path.join(root, "examples", name), "utf8");

test("the examples read and written back byte for byte", () => {
  for (const name of ["ponte.txt", "pratt.txt", "teste.txt"]) {
    assert.equal(M.write(M.parse(example(name))), example(name), name);
  }
});

test("numbers unchanged are written as the file had them, changed ones anew", () => {
  const text = example("ponte.txt").replace("2 40.0 0.0", "2 40.00 0.00").replace("-5.0", "-5D0");
  const model = M.parse(text);
  assert.equal(M.write(model), text);
  M.moveNode(model, 2, 40.5, 0);
  M.setLoad(model, 0, 3, 0, -5);
  assert.equal(M.write(model), text.replace("2 40.00 0.00", "2 40.5 0.00"));
  M.setLoad(model, 0, 3, 0, -6);
  M.moveNode(model, 2, 40, 0);
  assert.equal(M.write(model), text.replace("-5D0", "-6.0"));
});

test("records are read as the program reads them", () => {
  // Several values on one line, commas between them, CR LF ends, the rest
  // of a record after the values a read takes left unread.
  const text = "3 9\r\n3\r\n1, 0.0, 0.0\r\n2 40 0 ignored\r\n3 20.0\r\n15.0\r\n1 1 2\r\n2 1 3\r\n3 2 3\r\n" +
    "1\r\n1\r\n0 0\r\n1\r\n1\r\n3\r\n0.0\r\n-5D0\r\n2.0\r\n3.0\r\n";
  const model = plain(M.parse(text));
  assert.deepEqual(model.nos, [{ no: 1, x: 0, y: 0 }, { no: 2, x: 40, y: 0 }, { no: 3, x: 20, y: 15 }]);
  assert.deepEqual(model.casos, [[{ no: 3, fx: 0, fy: -5 }]]);
});

test("a file that cannot be read says what and where", () => {
  const ponte = example("ponte.txt");
  const cases = [
    [ponte.replace("2 40.0 0.0", "2 4O.0 0.0"), /linha 4: "4O.0" não é um número/],
    [ponte.replace("3 2 3", "3 2 7"), /a barra 3 liga o nó 7, que não existe/],
    [ponte.replace("1 0.0 0.0", "2 0.0 0.0"), /o nó 2 aparece duas vezes/],
    [ponte.split("\n").slice(0, 12).join("\n"), /o arquivo acaba antes/],
    ["0\n", /fora de 1 a 1000/],
  ];
  for (const [text, message] of cases) assert.throws(() => M.parse(text), message);
});

test("operations: labels, bars, removal with what hangs on a node", () => {
  const model = M.parse(example("ponte.txt"));
  assert.equal(M.addNode(model, 10.004, 5.555), 4);
  assert.deepEqual(plain(M.node(model, 4)), { no: 4, x: 10, y: 5.56 });
  assert.equal(M.addBar(model, 4, 3), 4);
  assert.equal(M.addBar(model, 3, 4), null, "the same bar again");
  assert.equal(M.addBar(model, 4, 4), null, "a node to itself");
  M.setSupport(model, 4, "rolete-y");
  assert.equal(M.supportOf(model, 4), "rolete-y");
  M.setLoad(model, 0, 4, 1, -2);
  M.removeNode(model, 3);
  assert.deepEqual(plain(model.barras), [{ barra: 1, a: 1, b: 2 }]);
  assert.deepEqual(plain(model.casos), [[{ no: 4, fx: 1, fy: -2 }]]);
  M.setLoad(model, 0, 4, 0, 0);
  M.setSupport(model, 4, "livre");
  assert.deepEqual(plain(model.casos), [[]]);
  assert.equal(model.apoios.length, 2);
});

// A small random generator, the same sequence on every run.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
}

test("any sequence of changes undone gives the start back, and redone the end", () => {
  for (let seed = 1; seed <= 20; seed++) {
    const next = random(seed);
    const pick = (items) => items[Math.floor(next() * items.length)];
    const start = M.parse(example("pratt.txt"));
    const history = new M.History(start);
    const states = [M.write(start)];
    for (let step = 0; step < 40; step++) {
      const labels = history.model.nos.map((n) => n.no);
      const kind = pick(["node", "move", "drag", "bar", "remove", "support", "load"]);
      if (kind === "drag") {
        const no = pick(labels);
        history.begin();
        for (let k = 0; k < 3; k++) history.live((m) => M.moveNode(m, no, next() * 100, next() * 30));
        history.finish();
      } else {
        history.change((m) => {
          if (kind === "node") M.addNode(m, next() * 100, next() * 30);
          if (kind === "move") M.moveNode(m, pick(labels), next() * 100, next() * 30);
          if (kind === "bar") M.addBar(m, pick(labels), pick(labels));
          if (kind === "remove" && labels.length > 3) M.removeNode(m, pick(labels));
          if (kind === "support") M.setSupport(m, pick(labels), pick(["livre", "fixo", "rolete-x"]));
          if (kind === "load") M.setLoad(m, 0, pick(labels), 0, -next() * 10);
        });
      }
      if (M.write(history.model) !== states[states.length - 1]) states.push(M.write(history.model));
    }
    assert.equal(history.past.length, states.length - 1, `seed ${seed}: one step a change`);
    while (history.undo());
    assert.equal(M.write(history.model), states[0], `seed ${seed}`);
    while (history.redo());
    assert.equal(M.write(history.model), states[states.length - 1], `seed ${seed}`);
  }
});

test("a new change after undo drops what could be redone", () => {
  const history = new M.History(M.parse(example("ponte.txt")));
  history.change((m) => M.moveNode(m, 3, 20, 20));
  history.undo();
  history.change((m) => M.moveNode(m, 3, 21, 15));
  assert.equal(history.redo(), false);
  assert.equal(M.node(history.model, 3).x, 21);
});

test("symmetric editing repeats each change on the mirrored side", () => {
  const model = M.parse(example("pratt.txt"));
  const mirror = M.mirror(model);
  assert.equal(mirror.middle, 50);
  assert.equal(mirror.pairs.get(3), 19);
  assert.equal(mirror.pairs.get(11), 11);
  Y.moveNode(model, mirror, 3, 12, 16);
  assert.deepEqual(plain(M.node(model, 19)), { no: 19, x: 88, y: 16 });
  Y.moveNode(model, mirror, 11, 47, 18);
  assert.deepEqual(plain(M.node(model, 11)), { no: 11, x: 50, y: 18 });
  Y.setLoad(model, mirror, 0, 5, 1, -2);
  assert.deepEqual(plain(M.loadOf(model, 0, 17)), { fx: -1, fy: -2 });
  const again = M.mirror(model);
  assert.notEqual(again, null, "still symmetric");
  Y.addNode(model, again, 25, 30);
  Y.addBar(model, M.mirror(model), 21, 5);
  assert.notEqual(M.mirror(model), null, "a node and a bar added on both sides");
  Y.removeNode(model, M.mirror(model), 21);
  assert.equal(model.nos.length, 20);
  M.moveNode(model, 3, 11, 15);
  assert.equal(M.mirror(model), null, "not symmetric any more");
});

test("numbers typed with a comma or a point; shown with a comma", () => {
  assert.deepEqual([" 12,5 ", "-3.25", "7", ",5", "1,2,3", "x", ""].map(M.typed), [12.5, -3.25, 7, 0.5, NaN, NaN, NaN]);
  assert.deepEqual([M.shown(135.966), M.shown(-0), M.shown(2), M.shown(-5.5)], ["135,97", "0", "2", "-5,5"]);
});

test("the shared link and the stored work hold the model", () => {
  const text = example("ponte.txt");
  const link = S.fragment("pé & ponte", text);
  assert.deepEqual(plain(S.fromFragment(link)), { nome: "pé & ponte", texto: text });
  assert.equal(S.fromFragment("#outra"), null);
  assert.equal(S.fromFragment("#modelo=x&texto=%E0"), null);
  const storage = new Map();
  const store = { setItem: (k, v) => storage.set(k, v), getItem: (k) => storage.get(k) ?? null };
  assert.equal(S.load(store), null);
  S.save(store, { nome: "ponte", texto: text });
  assert.equal(S.load(store).texto, text);
  const full = { setItem: () => { throw new Error("cheio"); }, getItem: () => "{" };
  assert.equal(S.save(full, { texto: text }), false);
  assert.equal(S.load(full), null);
});

test("the view fits the model and maps points both ways", () => {
  const model = M.parse(example("pratt.txt"));
  const view = D.fit(model, 1000, 500);
  const [left, bottom] = D.toScreen(view, 0, 0);
  const [right, top] = D.toScreen(view, 100, 15);
  assert.ok(left >= 59 && right <= 941 && top >= 59 && bottom <= 441);
  assert.deepEqual(plain(D.toModel(view, ...D.toScreen(view, 12.5, -3)).map((v) => Math.round(v * 1e9) / 1e9)), [12.5, -3]);
  assert.deepEqual([1, -1, 0, null, NaN].map(D.forceClass), ["tracao", "compressao", "sem-forca", "sem-forca", "sem-forca"]);
});

test("the drawing: forces by colour, the collapse, what a warning names, a motion", () => {
  const model = M.parse(example("ponte.txt"));
  const state = {
    model,
    view: D.fit(model, 800, 600),
    width: 800,
    height: 600,
    grid: 1,
    selected: { no: 2 },
    pending: null,
    pointer: null,
    caso: 0,
    mostrar: "forcas",
    proposta: null,
    study: {
      stable: true,
      cases: [{ forces: [2.5, -4.17, null] }],
      build: { bars: [{ bar: 1, strands: 3 }] },
      collapse: { bar: 2 },
      warnings: [{ kind: "one-bar", node: 3, text: "" }, { kind: "duplicate-bar", bar: 3, text: "" }],
    },
  };
  const svg = D.render(state);
  const classOf = (attribute) => new RegExp(`class="([^"]*)" ${attribute}`).exec(svg)[1];
  assert.equal(classOf('data-barra="1"'), "barra tracao");
  assert.equal(classOf('data-barra="2"'), "barra compressao colapso");
  assert.equal(classOf('data-barra="3"'), "barra sem-forca aviso");
  assert.equal(classOf('data-no="2"'), "no selecionado");
  assert.equal(classOf('data-no="3"'), "no aviso");
  assert.match(svg, />-4,17</);
  assert.match(D.render({ ...state, mostrar: "fios" }), />3 fios</);
  const moving = { stable: false, mechanisms: [[{ node: 3, dx: 1, dy: 0 }]], warnings: [] };
  assert.match(D.render({ ...state, study: moving }), /class="movimento"/);
});
