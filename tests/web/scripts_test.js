// The page's scripts that hold no engine, under node's own test runner:
// bytes and texts, and command lines from options.
//   node --test tests/web/scripts_test.js
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const test = require("node:test");
const vm = require("node:vm");

// The scripts as the page runs them: one global scope.
const scope = vm.createContext({ TextEncoder, TextDecoder, ArrayBuffer, Uint8Array });
for (const name of ["bytes.js", "commandline.js"]) {
  const file = path.join(__dirname, "..", "..", "src", "web", "js", name);
  vm.runInContext(fs.readFileSync(file, "utf8"), scope, { filename: file });
}
const B = vm.runInContext("QuivorBytes", scope);
const C = vm.runInContext("QuivorCommandLine", scope);
// Arrays made in the scripts' scope, as this scope's.
const plain = (value) => JSON.parse(JSON.stringify(value));

test("a string is taken as its UTF-8 bytes, bytes as they are", () => {
  assert.deepEqual([...B.of("pé", "x")], [0x70, 0xc3, 0xa9]);
  const bytes = Uint8Array.of(0xe9, 0);
  assert.equal(B.of(bytes, "x"), bytes);
  assert.deepEqual([...B.of(bytes.buffer, "x")], [0xe9, 0]);
  assert.deepEqual([...B.of(new DataView(bytes.buffer, 1), "x")], [0]);
  assert.throws(() => B.of(12, "o modelo"), /o modelo deve ser um texto ou um Uint8Array/);
  assert.throws(() => B.of(null, "o nome"), { name: "TypeError" });
});

test("bytes joined, and split at NUL bytes", () => {
  assert.deepEqual([...B.join(Uint8Array.of(1, 2), Uint8Array.of(), Uint8Array.of(3))], [1, 2, 3]);
  const pieces = B.split(Uint8Array.of(97, 0, 0, 98, 99));
  assert.deepEqual(plain(pieces.map((piece) => [...piece])), [[97], [], [98, 99]]);
  assert.deepEqual(plain(B.split(Uint8Array.of()).map((piece) => [...piece])), [[]]);
  assert.equal(B.text(null), null);
  assert.equal(B.text(Uint8Array.of(0xc3, 0xa9)), "é");
});

test("options become the command line, in the order of their names", () => {
  const names = { vao: "--vao", carga: "--carga", distribuida: "--carga-distribuida" };
  const cases = [
    [{}, []],
    [{ carga: 50, vao: 100 }, ["--vao", "100", "--carga", "50"]],
    [{ vao: "25,4", distribuida: true }, ["--vao", "25,4", "--carga-distribuida"]],
    [{ vao: null, carga: undefined, distribuida: false }, []],
    [{ vao: 1e-7, carga: 1.5e21, outra: 3 }, ["--vao", "1e-7", "--carga", "1.5e+21"]],
    [{ carga: 0 }, ["--carga", "0"]],
  ];
  for (const [given, expected] of cases) {
    assert.deepEqual(plain(C.options(given, names)), expected, JSON.stringify(given));
  }
});

test("the model's name: nome, or the fallback", () => {
  assert.equal(C.name({}, "modelo"), "modelo");
  assert.equal(C.name({ nome: null }, "ponte"), "ponte");
  assert.equal(C.name({ nome: "" }, "ponte"), "");
  assert.equal(C.name({ nome: 7 }, "ponte"), "7");
});
