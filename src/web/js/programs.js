// quivor and quivor-study run in the engine, on files in memory.
"use strict";

const QuivorPrograms = (() => {
  const B = QuivorBytes;

  // Bytes into the engine's memory; the caller frees them.
  function put(module, bytes) {
    const at = module._malloc(bytes.length + 1);
    module.HEAPU8.set(bytes, at);
    module.HEAPU8[at + bytes.length] = 0;
    return at;
  }

  // Calls `f(at, size)` with the bytes in the engine's memory.
  function withBytes(module, bytes, f) {
    const at = put(module, bytes);
    try {
      return f(at, bytes.length);
    } finally {
      module._free(at);
    }
  }

  // A copy of what the engine holds, `size` bytes; null for -1.
  function held(module, size) {
    if (size < 0) return null;
    const at = module._quivor_web_held();
    return module.HEAPU8.slice(at, at + size);
  }

  function writeFile(module, name, bytes) {
    withBytes(module, name, (nameAt, nameSize) =>
      withBytes(module, bytes, (at, size) => module._quivor_web_write(nameAt, nameSize, at, size)));
  }

  function readFile(module, name) {
    return held(module, withBytes(module, name, (at, size) => module._quivor_web_read(at, size)));
  }

  function finish(run, status) {
    return {
      status,
      saida: B.text(Uint8Array.from(run.out)),
      erro: B.text(Uint8Array.from(run.err)),
    };
  }

  // quivor, with `input` (bytes) at its console. The model's bytes (or
  // null: no file) are the file it opens for the name read from the input;
  // the report is the file it writes, or null.
  function quivor(model, input) {
    const run = QuivorEngine.start(input);
    const module = run.module;
    module._quivor_web_enter();
    const files = held(
      module,
      withBytes(module, input, (at, size) => module._quivor_web_typed_files(at, size)),
    );
    const [modelFile, resultsFile] = files === null ? [null, null] : B.split(files);
    if (modelFile !== null && model !== null) writeFile(module, modelFile, model);
    const status = QuivorEngine.call(run, () => module._quivor_web_quivor());
    const result = finish(run, status);
    result.relatorio = resultsFile === null ? null : readFile(module, resultsFile);
    QuivorEngine.finish(run);
    return result;
  }

  // The file quivor-study takes for a model name, and the stem of the files
  // it writes beside it.
  function studyFile(module, name) {
    const names = held(
      module,
      withBytes(module, name, (at, size) => module._quivor_web_study_file(at, size)),
    );
    const [file, stem] = B.split(names);
    return { file, stem };
  }

  // quivor-study with these arguments (strings), nothing typed at its
  // console; `model` (bytes, or null) is the file of the model `name`;
  // `outputs(stem)` names the files to give back; `watch` sees each byte
  // of standard error as it comes; `files` (name: bytes) are put in the
  // working folder beside the model.
  function study(args, name, model, outputs, watch = null, files = {}) {
    const run = QuivorEngine.start(new Uint8Array(0), watch);
    const module = run.module;
    module._quivor_web_enter();
    const { file, stem } = studyFile(module, B.of(name, "o nome"));
    if (model !== null) writeFile(module, file, model);
    for (const [other, bytes] of Object.entries(files)) {
      writeFile(module, B.of(other, "um arquivo"), bytes);
    }
    const strings = ["quivor-study", ...args].map((arg) => put(module, B.of(arg, "um argumento")));
    const argv = module._malloc(4 * (strings.length + 1));
    const view = new DataView(module.HEAPU8.buffer);
    strings.forEach((at, i) => view.setUint32(argv + 4 * i, at, true));
    view.setUint32(argv + 4 * strings.length, 0, true);
    const status = QuivorEngine.call(run, () => module._quivor_web_study(strings.length, argv));
    const result = finish(run, status);
    result.arquivos = {};
    for (const output of outputs(B.text(stem))) {
      result.arquivos[output] = readFile(module, B.of(output, "um arquivo"));
    }
    QuivorEngine.finish(run);
    return result;
  }

  return { quivor, study };
})();
