// The page's scripts that hold no engine, under node's own test runner:
// bytes and texts, command lines from options, and the model a student
// opens.
//   node --test tests/web/scripts_test.js
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const test = require("node:test");
const vm = require("node:vm");

// The scripts as the page runs them: one global scope.
const scope = vm.createContext({ TextEncoder, TextDecoder, ArrayBuffer, Uint8Array });
for (const name of ["bytes.js", "commandline.js", "modelfile.js"]) {
  const file = path.join(__dirname, "..", "..", "src", "web", "js", name);
  vm.runInContext(fs.readFileSync(file, "utf8"), scope, { filename: file });
}
const B = vm.runInContext("QuivorBytes", scope);
const C = vm.runInContext("QuivorCommandLine", scope);
const M = vm.runInContext("QuivorModelFile", scope);
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

test("a model's name is its file's without .txt; other files are no model", () => {
  const cases = [
    ["pratt.txt", "pratt"],
    ["Ponte Final.TXT", "Ponte Final"],
    [".txt.txt", ".txt"],
    ["a\nb.txt", "a\nb"],
    [".txt", null],
    ["pratt.rtf", null],
    ["pratt.txt.html", null],
    ["", null],
  ];
  for (const [file, expected] of cases) assert.equal(M.stem(file), expected, file);
});

test("a refusal shows standard error, else the console, else the status", () => {
  assert.equal(M.refusal({ status: 1, erro: "\nErro: linha 3.\n\n", saida: "x" }), "Erro: linha 3.");
  assert.equal(M.refusal({ status: 1, erro: " \n", saida: "Arquivo vazio.\n" }), "Arquivo vazio.");
  assert.equal(
    M.refusal({ status: 2, erro: "", saida: "" }),
    "O programa terminou com o código 2 sem dizer por quê.",
  );
});

test("of the files dropped, the first .txt is opened", () => {
  const file = (name) => ({ name });
  assert.equal(M.pick([file("a.rtf"), file("b.txt"), file("c.txt")]).name, "b.txt");
  assert.equal(M.pick([file("a.rtf"), file("b.png")]).name, "a.rtf");
  assert.equal(M.pick([]), null);
});
