// The engine (WebAssembly, held in the page as base64): compiled once, then
// started afresh for each run, as a program is started in a fresh process.
// A run's standard input is given whole; its output and error are gathered
// as bytes; its exit status is what its main function returns, or what it
// passes to exit.
"use strict";

const QuivorEngine = (() => {
  let compiled = null;

  function decodeBase64(text) {
    const raw = atob(text.trim());
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  // The smallest module with a 128-bit SIMD instruction (a function that
  // returns i8x16.popcnt of i8x16.splat of 0): valid only in a browser
  // that has those instructions.
  const SIMD_PROBE = Uint8Array.of(
    0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253,
    15, 253, 98, 11,
  );

  // The engine built with the solver's SIMD kernel where the browser runs
  // it, the other one elsewhere; both give the same bytes.
  async function load() {
    const simd = WebAssembly.validate(SIMD_PROBE);
    const source = document.getElementById(simd ? "quivor-motor-simd" : "quivor-motor");
    compiled = await WebAssembly.compile(decodeBase64(source.textContent));
  }

  // The engine compiled already (a worker is given it by the page).
  function use(module) {
    compiled = module;
  }

  function module() {
    return compiled;
  }

  // A fresh instance whose standard input is `input` (bytes); `watch`, when
  // given, sees each byte of its standard error as it comes.
  function start(input, watch = null) {
    if (compiled === null) throw new Error("quivor: o programa ainda não foi carregado");
    const run = { out: [], err: [], exited: false, status: 0, module: null };
    let read = 0;
    const module = {
      instantiateWasm(imports, receive) {
        const instance = new WebAssembly.Instance(compiled, imports);
        receive(instance, compiled);
        return instance.exports;
      },
      stdin: () => (read < input.length ? input[read++] : null),
      // Once the program has ended, nothing more is its output.
      stdout: (byte) => run.exited || run.out.push(byte),
      stderr: (byte) => {
        if (run.exited) return;
        run.err.push(byte);
        if (watch !== null) watch(byte);
      },
      print: () => {},
      printErr: () => {},
      quit: (status, thrown) => {
        run.exited = true;
        run.status = status;
        throw thrown;
      },
    };
    createQuivorEngine(module);
    run.module = module;
    return run;
  }

  // A program that aborts (an exception it does not catch, storage beyond
  // what the page may have) ends as on Linux, with the status of SIGABRT;
  // its standard error says why.
  const ABORTED = 134;

  // Calls a program's main function in the run: its exit status.
  function call(run, main) {
    try {
      return main();
    } catch (thrown) {
      if (run.exited) return run.status;
      if (!(thrown instanceof WebAssembly.RuntimeError)) throw thrown;
      run.exited = true;
      run.status = ABORTED;
      return ABORTED;
    }
  }

  return { load, use, module, start, call };
})();
