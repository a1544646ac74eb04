// The engine (WebAssembly, held in the page as base64): compiled once; each
// run finds an instance as a program finds a fresh process, made for it or
// put back as it was made.
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

  // An instance, its memory and files as they stand once the runtime has
  // started and before any run: the bytes below the heap's break (the
  // static data, the stack, what the start-up allocated) and the paths of
  // its file system. A run's standard streams go to `current`.
  let current = null;
  function instantiate() {
    const module = {
      instantiateWasm(imports, receive) {
        const instance = new WebAssembly.Instance(compiled, imports);
        receive(instance, compiled);
        return instance.exports;
      },
      stdin: () => current.stdin(),
      // Once the program has ended, nothing more is its output.
      stdout: (byte) => current.exited || current.out.push(byte),
      stderr: (byte) => {
        if (current.exited) return;
        current.err.push(byte);
        if (current.watch !== null) current.watch(byte);
      },
      print: () => {},
      printErr: () => {},
      quit: (status, thrown) => {
        current.exited = true;
        current.status = status;
        throw thrown;
      },
    };
    createQuivorEngine(module);
    // Memory: the static data, the stack (from its end up to its base),
    // then the heap, up to the break.
    const stackEnd = module._emscripten_stack_get_end();
    const stackBase = module._emscripten_stack_get_base();
    const top = module._sbrk(0);
    return {
      module,
      stackEnd,
      stackBase,
      top,
      data: module.HEAPU8.slice(0, stackEnd),
      heap: module.HEAPU8.slice(stackBase, top),
      paths: paths(module.FS),
    };
  }

  // Every path of the file system but what lies in other file systems
  // mounted on it (the open files of /proc/self/fd).
  function paths(FS, folder = "/", found = []) {
    for (const name of FS.readdir(folder)) {
      if (name === "." || name === "..") continue;
      const path = folder === "/" ? `/${name}` : `${folder}/${name}`;
      found.push(path);
      const node = FS.lookupPath(path, { follow: false }).node;
      if (FS.isDir(node.mode) && node.mount === FS.root.mount) paths(FS, path, found);
    }
    return found;
  }

  // The instance as it stood before its first run: the files a run left
  // open closed, the files and folders it made removed (the deepest
  // first), the working folder the root again; its static data and the
  // heap below the start's break copied back, and zeros above it up to
  // where the run took the break (the allocator never gives memory back
  // below that), as a fresh instance has them. The stack holds no frame
  // between runs: what the last run left there is what a fresh process
  // finds on its stack too, bytes no program may read before it writes
  // them. Only for an instance whose runs returned: a run that ended the
  // program (exit, an abort) left the stack pointer and the glue's state as
  // they were when it stopped.
  function restore(engine) {
    const { module, top } = engine;
    const FS = module.FS;
    FS.streams.forEach((stream, fd) => stream && fd > 2 && FS.close(stream));
    FS.chdir("/");
    const before = new Set(engine.paths);
    const made = paths(FS).filter((path) => !before.has(path));
    for (const path of made.reverse()) {
      if (FS.isDir(FS.lstat(path).mode)) FS.rmdir(path);
      else FS.unlink(path);
    }
    module.HEAPU8.fill(0, top, module._sbrk(0));
    module.HEAPU8.set(engine.data, 0);
    module.HEAPU8.set(engine.heap, engine.stackBase);
  }

  // The instance the next run takes: one restored after a run that
  // returned, or none (a fresh one is made).
  let idle = null;

  // A run whose standard input is `input` (bytes), in an instance as a
  // fresh one starts: the instance of the last run that returned, restored,
  // or a new one. `watch`, when given, sees each byte of its standard error
  // as it comes. QuivorEngine.finish(run) gives the instance back.
  function start(input, watch = null) {
    if (compiled === null) throw new Error("quivor: o programa ainda não foi carregado");
    let read = 0;
    const run = {
      out: [],
      err: [],
      exited: false,
      unwound: false,
      status: 0,
      watch,
      stdin: () => (read < input.length ? input[read++] : null),
    };
    current = run;
    run.engine = idle === null ? instantiate() : idle;
    idle = null;
    run.module = run.engine.module;
    return run;
  }

  // The run is over and its files read: its instance is kept for the next
  // run unless the program ended itself. A run that never gets here (a
  // script's error on the way) leaves its instance to be dropped.
  function finish(run) {
    if (run.exited || run.unwound) return;
    // A program that closed a standard stream leaves the next run without
    // it: that instance is not put back either.
    const FS = run.module.FS;
    if (![0, 1, 2].every((fd) => FS.streams[fd])) return;
    restore(run.engine);
    idle = run.engine;
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
      run.unwound = true;
      if (run.exited) return run.status;
      if (!(thrown instanceof WebAssembly.RuntimeError)) throw thrown;
      run.exited = true;
      run.status = ABORTED;
      return ABORTED;
    }
  }

  return { load, use, module, start, call, finish };
})();
