// The editor: the model drawn and changed in the page, studied by the
// engine after every change and while a node is dragged, kept in the
// browser's storage, saved as quivor's model file.
"use strict";

(() => {
  const M = QuivorEditorModel;
  const D = QuivorEditorDraw;
  const P = QuivorEditorPanels;
  const S = QuivorEditorStorage;
  const element = (id) => document.getElementById(id);
  // The browser's storage, or null where the page may not use it (the
  // work is then kept only while the page is open).
  const storage = (() => {
    try {
      return window.localStorage;
    } catch {
      return null;
    }
  })();

  const E = {
    svg: element("desenho"),
    panels: {
      selecao: element("selecao").querySelector("div"),
      resposta: element("resposta").querySelector("div"),
      opcoes: element("modelo-opcoes").querySelector("div"),
    },
    history: new M.History(M.empty()),
    nome: "ponte",
    opcoes: { limitePeso: 750, fio: 25.4, trelicas: 2, cola: 0, pesoExtra: 0 },
    view: { scale: 8, ox: 80, oy: 400 },
    grid: 1,
    tool: "selecionar",
    selected: null,
    pending: null,
    pointer: null,
    caso: 0,
    mostrar: "forcas",
    mecanismo: 0,
    simetria: false,
    study: null,
    refusal: null,
    proposta: null,
    savedText: M.write(M.empty()),
    // Counts the studies run, and whether one is waiting for the next frame.
    studies: 0,
    waiting: false,
    studyMs: 0,
    stale: false,
    // The number of the latest study asked for, and whether one runs in
    // the worker for the model as it is.
    asked: 0,
    studying: false,
  };

  E.sym = () => QuivorEditorSymmetry;
  E.mirror = () => (E.simetria ? M.mirror(E.history.model) : null);
  E.toModel = (at) => D.toModel(E.view, at[0], at[1]);
  E.text = () => M.write(E.history.model);

  // A point in the model, on the grid unless Alt or Shift is held.
  E.snapped = ([x, y], event) => {
    if (event && (event.altKey || event.shiftKey)) return [M.round2(x), M.round2(y)];
    const step = E.grid;
    return [M.round2(Math.round(x / step) * step), M.round2(Math.round(y / step) * step)];
  };

  function size() {
    const box = E.svg.getBoundingClientRect();
    return [Math.max(box.width, 1), Math.max(box.height, 1)];
  }

  E.redraw = () => {
    const start = performance.now();
    const [width, height] = size();
    E.svg.setAttribute("viewBox", `0 0 ${width} ${height}`);
    E.svg.innerHTML = D.render({ ...E, model: E.history.model, width, height });
    E.svg.classList.toggle("estudando", E.studying);
    E.drawn = true;
    E.drawMs = performance.now() - start;
  };

  function refreshPanels() {
    P.selection(E);
    P.answer(E);
    P.settings(E);
    element("nome-modelo").textContent = `Modelo: ${E.nome}.txt${E.text() === E.savedText ? "" : " (não salvo)"}`;
  }

  // A study slower than this is not run at every step of a drag, only at
  // its end: the drawing follows the pointer, the figures follow the drop.
  const SLOW_STUDY_MS = 250;

  // The study of the model as it is, on the next frame (one study a frame
  // however many changes came), which draws it; false when no study comes.
  function scheduleStudy() {
    if (E.dragging && E.studyMs > SLOW_STUDY_MS) {
      if (!E.stale) {
        E.stale = true;
        P.answer(E);
      }
      return false;
    }
    if (E.waiting) return true;
    E.waiting = true;
    requestAnimationFrame(() => {
      E.waiting = false;
      if (E.studyMs > APART_STUDY_MS && studyApart()) return;
      const start = performance.now();
      runStudy();
      const studied = performance.now();
      E.studyMs = studied - start;
      E.stale = false;
      E.redraw();
      if (!E.dragging) refreshPanels();
      else P.answer(E);
      // The frame's work, for the benchmark: the study, then the drawing.
      const end = performance.now();
      E.tempos = { estudo: studied - start, desenho: end - studied, passo: end - (E.moved || start) };
    });
    return true;
  }

  // A study slower than this runs in a worker with its own engine, the
  // page free meanwhile; a quicker one runs here, in the frame, and its
  // figures come with the drawing. Measured (bench/editor_bench.py): 100
  // nodes study in about 2 ms here and come back from the worker in about
  // 3 ms, but after the frame, so the model would be drawn twice (without
  // figures, then with them) and the panel would blink "Estudando" at every
  // step of a drag. Only a study that would hold the page for several
  // frames is worth that.
  const APART_STUDY_MS = 50;

  // Whether the model is there to be studied; if not, says why.
  function studiable(model) {
    if (model.nos.length > 0 && model.barras.length > 0) return true;
    E.study = null;
    E.refusal = model.nos.length === 0 ? null : "O modelo precisa de pelo menos uma barra.";
    return false;
  }

  function shown() {
    E.redraw();
    if (!E.dragging) refreshPanels();
    else P.answer(E);
  }

  // The study of the model as it is, in the worker: the figures of the
  // model before are no longer shown (E.studying says a study runs), and
  // its answer is taken only if no change came since. False when the model
  // is to be studied here after all.
  function studyApart() {
    if (typeof window.quivor.estudarAparte !== "function" || typeof Worker !== "function") {
      return false;
    }
    E.studies++;
    const asked = ++E.asked;
    E.stale = false;
    if (!studiable(E.history.model)) {
      E.studying = false;
      shown();
      return true;
    }
    E.study = null;
    E.refusal = null;
    E.studying = true;
    const start = performance.now();
    // A drawing of the model as it is (the drop of a drag of a large model)
    // only loses the figures of the study before: far quicker than drawing
    // a large model again.
    if (E.drawn) {
      E.svg.classList.add("estudando");
      if (!E.dragging) refreshPanels();
      else P.answer(E);
    } else shown();
    let answer;
    try {
      answer = window.quivor.estudarAparte(E.text(), { nome: E.nome, ...E.opcoes });
    } catch (error) {
      answer = Promise.reject(error);
    }
    answer.then(
      (result) => {
        // A later change has its own study: this one is not its model's.
        if (result.cancelado || asked !== E.asked) return;
        E.studying = false;
        take(result);
        E.studyMs = result.ms;
        const studied = performance.now();
        shown();
        // For the benchmark: the study in the worker, the wait for it, the drawing.
        const end = performance.now();
        E.tempos = { estudo: result.ms, espera: studied - start, desenho: end - studied };
      },
      (error) => {
        if (asked !== E.asked) return;
        E.studying = false;
        E.study = null;
        E.refusal = `O estudo não pôde ser feito: ${error.message || error}`;
        shown();
      },
    );
    return true;
  }

  function runStudy() {
    const model = E.history.model;
    E.studies++;
    // A study still running in the worker is for a model before this one.
    E.asked++;
    E.studying = false;
    if (!studiable(model)) return;
    let result;
    try {
      result = window.quivor.estudar(E.text(), { nome: E.nome, ...E.opcoes });
    } catch (error) {
      E.study = null;
      E.refusal = `O estudo não pôde ser feito: ${error.message || error}`;
      return;
    }
    take(result);
  }

  // What quivor.estudar gave: the study, or why there is none.
  function take(result) {
    if (result.status === 0 || result.json.startsWith("{")) {
      try {
        E.study = JSON.parse(result.json);
        E.refusal = null;
        return;
      } catch {
        // Read below as a refusal.
      }
    }
    E.study = null;
    E.refusal = QuivorModelFile.refusal({ erro: result.erro, saida: "", status: result.status });
  }

  // After a change: drawn at once, studied on the next frame, kept.
  // `live`: a drag goes on (the panels wait for its end).
  E.changed = (live) => {
    // The drop of a drag leaves the model as its last step drew it.
    if (live || !E.dragging) E.drawn = false;
    // A study running in the worker is for the model before: its answer is
    // not taken (during the drag of a large model too, whose study comes
    // at the drop).
    E.asked++;
    E.dragging = live;
    if (E.selected && E.selected.no !== undefined && !M.node(E.history.model, E.selected.no)) {
      E.selected = null;
    }
    if (E.caso >= E.history.model.casos.length) E.caso = E.history.model.casos.length - 1;
    // The frame's study draws the model; drawn here only when no study
    // comes before the next frame.
    if (!window.quivor.pronto.settled) {
      E.redraw();
      window.quivor.pronto.then(() => scheduleStudy());
    } else if (!scheduleStudy()) {
      // A drag of a large model: only the nodes moved are drawn again.
      const start = performance.now();
      const state = { ...E, model: E.history.model };
      if (!(live && E.movedNodes && D.moveNodes(E.svg, state, E.movedNodes))) E.redraw();
      else {
        E.drawn = true;
        E.drawMs = performance.now() - start;
      }
    }
    if (!live) keep();
  };

  E.change = (f) => {
    const result = E.history.change(f);
    E.changed(false);
    return result;
  };

  E.undo = () => {
    if (E.history.undo()) E.changed(false);
  };
  E.redo = () => {
    if (E.history.redo()) E.changed(false);
  };

  E.select = (what) => {
    E.selected = what;
    E.redraw();
    P.selection(E);
  };

  E.setPending = (no) => {
    E.pending = no;
    E.redraw();
  };

  E.setTool = (tool) => {
    E.tool = tool;
    E.pending = null;
    for (const button of document.querySelectorAll("[data-ferramenta]")) {
      button.setAttribute("aria-pressed", String(button.dataset.ferramenta === tool));
    }
    E.svg.dataset.ferramenta = tool;
    E.redraw();
  };

  E.showCase = (caso) => {
    E.caso = caso;
    E.redraw();
    refreshPanels();
  };

  E.setOption = (key, value) => {
    E.opcoes[key] = value;
    E.changed(false);
  };

  E.removeSelected = () => {
    const s = E.selected;
    if (!s) return;
    if (s.no !== undefined) E.change((m) => E.sym().removeNode(m, E.mirror(), s.no));
    else E.change((m) => E.sym().removeBar(m, E.mirror(), s.barra));
    E.selected = null;
    refreshPanels();
  };

  E.fit = () => {
    const [width, height] = size();
    E.view = D.fit(E.history.model, width, height);
    E.redraw();
  };

  E.zoomAt = ([px, py], factor) => {
    const scale = Math.min(Math.max(E.view.scale * factor, 0.05), 400);
    const k = scale / E.view.scale;
    E.view = { scale, ox: px - (px - E.view.ox) * k, oy: py - (py - E.view.oy) * k };
    E.redraw();
  };

  // ---- the work kept, saved and shared --------------------------------

  function keep() {
    S.save(storage, { nome: E.nome, texto: E.text(), opcoes: E.opcoes, salvo: E.savedText });
  }

  function offer(bytes, name, type) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], { type }));
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // The file as quivor reads it, its node records in the order of a
  // narrow band (renumerar keeps the labels and every other line).
  E.fileText = () => {
    const text = E.text();
    if (E.history.model.nos.length === 0 || !window.quivor.pronto.settled) return text;
    const narrow = window.quivor.renumerar(text, { nome: E.nome });
    return narrow.modelo === null ? text : narrow.modelo;
  };

  function saved(text) {
    E.savedText = text;
    keep();
    refreshPanels();
  }

  // NOME.txt written back to the file it was opened from, where the
  // browser lets the page do so (the browser replaces the file whole on
  // close); else, or when that fails, a download.
  E.save = async () => {
    const text = E.text();
    const bytes = E.fileText();
    if (E.handle && E.handle.name === `${E.nome}.txt`) {
      try {
        const writable = await E.handle.createWritable();
        await writable.write(bytes);
        await writable.close();
        say(`${E.nome}.txt salvo.`);
        saved(text);
        return;
      } catch {
        // Refused or failed: the download below.
      }
    }
    offer(bytes, `${E.nome}.txt`, "text/plain;charset=utf-8");
    saved(text);
  };

  function say(text) {
    element("estado").textContent = text;
  }

  // The programs are there once the engine is compiled.
  function ready() {
    if (window.quivor.pronto.settled) return true;
    say("O programa ainda está carregando; tente de novo em instantes.");
    return false;
  }

  // Runs a program on the model and offers its file, or shows its refusal.
  function download(make, name, type) {
    if (!ready()) return;
    const result = make();
    const [key] = ["relatorio", "pagina", "tabela"].filter((k) => k in result);
    if (result[key] === null) {
      E.refusal = QuivorModelFile.refusal(result);
      P.answer(E);
      return;
    }
    offer(result[key], name, type);
  }

  const LARGE_MODEL_NODES = 300;

  // Opens a model's text: the work so far stays when it cannot be read.
  E.abrir = (texto, nome = "ponte") => {
    let model;
    try {
      model = M.parse(texto);
    } catch (error) {
      const result = window.quivor.pronto.settled ? window.quivor.estudar(texto, { nome }) : null;
      const said = result && result.status !== 0 ? QuivorModelFile.refusal(result) : error.message;
      E.refusal = `${nome}.txt não pôde ser aberto; o trabalho anterior continua aqui.\n${said}`;
      P.answer(E);
      return false;
    }
    E.nome = nome;
    E.handle = null;
    E.history.replace(model);
    E.savedText = M.write(model);
    E.selected = null;
    E.pending = null;
    E.caso = 0;
    E.proposta = null;
    // Until its first study is measured, a large model's study is taken for
    // a slow one (1000 nodes take a second or two).
    E.studyMs = model.nos.length > LARGE_MODEL_NODES ? Infinity : 0;
    E.fit();
    E.changed(false);
    return true;
  };

  async function openFile(file) {
    const nome = QuivorModelFile.stem(file.name);
    if (nome === null) return;
    E.abrir(await file.text(), nome);
  }

  // ---- wiring -----------------------------------------------------------

  for (const button of document.querySelectorAll("[data-ferramenta]")) {
    button.addEventListener("click", () => E.setTool(button.dataset.ferramenta));
  }
  const on = (id, f) => element(id).addEventListener("click", f);
  on("apagar", () => E.removeSelected());
  on("desfazer", () => E.undo());
  on("refazer", () => E.redo());
  on("enquadrar", () => E.fit());
  on("salvar", () => E.save());
  on("nova-ponte", () => QuivorEditorActions.newBridge(E));
  // Abrir: with a handle on the file where the browser gives one, so that
  // Salvar can write it back; else the file picker.
  on("abrir-arquivo", async () => {
    if (typeof window.showOpenFilePicker !== "function") {
      element("modelo").click();
      return;
    }
    let handle;
    try {
      [handle] = await window.showOpenFilePicker({
        types: [{ description: "Modelo da ponte", accept: { "text/plain": [".txt"] } }],
      });
    } catch {
      return; // nothing chosen
    }
    const file = await handle.getFile();
    const nome = QuivorModelFile.stem(file.name);
    if (nome !== null && E.abrir(await file.text(), nome)) E.handle = handle;
  });
  on("otimizar", () => QuivorEditorActions.optimize(E));
  on("baixar-rtf", () =>
    download(() => window.quivor.relatorio(E.text(), E.nome), `${E.nome}.rtf`, "application/rtf"),
  );
  on("baixar-html", () =>
    download(
      () => window.quivor.pagina(E.text(), { nome: E.nome, ...E.opcoes }),
      `${E.nome}.html`,
      "text/html;charset=utf-8",
    ),
  );
  on("baixar-csv", () =>
    download(
      () => window.quivor.tabela(E.text(), { nome: E.nome, ...E.opcoes }),
      `${E.nome}.csv`,
      "text/csv;charset=utf-8",
    ),
  );
  on("compartilhar", async () => {
    const link = `${location.href.split("#")[0]}${S.fragment(E.nome, E.text())}`;
    history.replaceState(null, "", link);
    try {
      await navigator.clipboard.writeText(link);
      say("Link copiado: ele abre este modelo.");
    } catch {
      say("O link deste modelo está na barra de endereço.");
    }
  });

  // The file picker and drops: read here as the model to edit (the study
  // page below shows them too).
  const picker = element("modelo");
  picker.addEventListener("change", () => {
    const file = QuivorModelFile.pick(picker.files);
    if (file) openFile(file);
  });
  window.addEventListener("drop", (event) => {
    const file = QuivorModelFile.pick(event.dataTransfer && event.dataTransfer.files);
    if (file) openFile(file);
  });

  window.addEventListener("beforeunload", (event) => {
    if (E.text() !== E.savedText && E.history.model.nos.length > 0) {
      event.preventDefault();
      event.returnValue = "";
    }
  });
  window.addEventListener("resize", () => E.redraw());

  QuivorEditorTools.attach(E);

  E.say = say;
  E.ready = ready;
  window.quivor.abrir = (texto, nome) => E.abrir(String(texto), nome === undefined ? "ponte" : String(nome));
  window.quivor.modelo = () => E.text();
  window.quivor.editor = E;

  window.quivor.pronto.then(() => {
    window.quivor.pronto.settled = true;
  });

  // The start: a shared link's model, else the work kept, else an empty
  // drawing.
  E.setTool("selecionar");
  const shared = S.fromFragment(location.hash);
  const kept = S.load(storage);
  const start = shared || kept;
  let opened = false;
  if (start) {
    if (kept && kept.opcoes && !shared) Object.assign(E.opcoes, kept.opcoes);
    opened = E.abrir(start.texto, start.nome || "ponte");
    if (opened && kept && !shared && typeof kept.salvo === "string") E.savedText = kept.salvo;
    if (opened) E.history = new M.History(E.history.model);
  }
  if (!opened) {
    E.refusal = null;
    E.fit();
    E.changed(false);
  }
  refreshPanels();
})();
