// window.quivor: the programs for a page's scripts. Each call runs the
// program afresh on files in memory and gives back what it would leave:
// its exit status (as on Linux), its console output (saida) and standard
// error (erro) as text, and the files it writes. A model's fault is in
// those, never thrown.
"use strict";

(() => {
  const B = QuivorBytes;
  const P = QuivorPrograms;

  const options = QuivorCommandLine.options;
  const nameOf = QuivorCommandLine.name;

  const STUDY = {
    limitePeso: "--limite-peso",
    fio: "--fio",
    trelicas: "--trelicas",
    cola: "--cola",
    pesoExtra: "--peso-extra",
  };
  const NEW = {
    tipo: "--tipo",
    vao: "--vao",
    altura: "--altura",
    paineis: "--paineis",
    carga: "--carga",
    coefTracao: "--coef-tracao",
    coefCompressao: "--coef-compressao",
    cargaDistribuida: "--carga-distribuida",
  };

  // The team's material: opcoes.material, the text of a file of strand
  // tests (given to the program as espaguete.txt beside the model) or
  // "padrao" (the bundled values): its option and its file.
  const MATERIAL_FILE = "espaguete.txt";
  function material(opcoes) {
    const given = opcoes.material;
    if (given === undefined || given === null) return { args: [], files: {} };
    if (given === "padrao") return { args: ["--material", "padrao"], files: {} };
    return {
      args: ["--material", MATERIAL_FILE],
      files: { [MATERIAL_FILE]: B.of(given, "o material") },
    };
  }

  // The arguments of quivor-study NOME --json --sem-pagina, and its files.
  function studyRun(opcoes) {
    const nome = nameOf(opcoes, "modelo");
    const extra = material(opcoes);
    const args = [nome, "--json", "--sem-pagina", ...options(opcoes, STUDY), ...extra.args];
    return { nome, args, files: extra.files };
  }

  const studyAnswer = (result) => ({
    status: result.status,
    json: result.saida.replace(/\n$/, ""),
    erro: result.erro,
  });

  // The worker of estudarAparte, kept between studies with its engine:
  // {worker, asked (the number of the latest study), settle (that study's,
  // while it runs)}, or null.
  let apart = null;

  function studyWorker() {
    if (apart !== null) return apart;
    const worker = new Worker(QuivorWorker.source());
    const mine = { worker, asked: 0, settle: null };
    const settle = (answer) => {
      const done = mine.settle;
      mine.settle = null;
      if (done !== null) done(answer);
    };
    worker.onmessage = (message) => {
      const { estudo, resultado, ms } = message.data;
      if (estudo === mine.asked) settle({ ...studyAnswer(resultado), ms });
    };
    worker.onerror = (event) => {
      event.preventDefault();
      worker.terminate();
      if (apart === mine) apart = null;
      settle({ status: 134, json: "", erro: `${event.message}\n`, ms: 0 });
    };
    apart = mine;
    return mine;
  }

  // The run's status, console and error, and its one file as text (or
  // null) under the given key.
  function answer(result, key) {
    const [bytes] = Object.values(result.arquivos);
    return { status: result.status, [key]: B.text(bytes), saida: result.saida, erro: result.erro };
  }

  const quivor = {
    // quivor with a model file NOME.txt of these bytes, NOME typed at its
    // prompt: {status, relatorio (NOME.rtf's bytes, or null), saida, erro}.
    relatorio(modelo, nome) {
      // The name and Enter, then Enter again when the program asks for it.
      const typed = B.join(B.of(nome, "o nome"), Uint8Array.of(10, 10));
      return P.quivor(B.of(modelo, "o modelo"), typed);
    },

    // quivor-study NOME --json: {status, json (its text, without the line
    // end), erro}.
    // opcoes.material: the team's material (see above).
    estudar(modelo, opcoes = {}) {
      const { nome, args, files } = studyRun(opcoes);
      return studyAnswer(P.study(args, nome, B.of(modelo, "o modelo"), () => [], null, files));
    },

    // estudar in a worker that keeps its own engine, the page free
    // meanwhile: a promise of what estudar gives and ms (the study's time
    // in the worker). The latest call wins: a study still running when
    // another is asked for is stopped (its worker ended, a fresh one takes
    // the new study) and its promise gives {cancelado: true}.
    estudarAparte(modelo, opcoes = {}) {
      const { nome, args, files } = studyRun(opcoes);
      const bytes = B.of(modelo, "o modelo");
      if (QuivorEngine.module() === null) {
        return Promise.reject(new Error("quivor: o programa ainda não foi carregado"));
      }
      if (apart !== null && apart.settle !== null) {
        const stopped = apart;
        apart = null;
        stopped.worker.terminate();
        stopped.settle({ cancelado: true });
        stopped.settle = null;
      }
      const mine = studyWorker();
      mine.asked++;
      return new Promise((resolve) => {
        mine.settle = resolve;
        const engine = QuivorEngine.module();
        const estudo = mine.asked;
        mine.worker.postMessage({ engine, args, name: nome, model: bytes, files, estudo });
      });
    },

    // quivor-study NOME: {status, pagina (NOME.html, or null), saida, erro};
    // opcoes.material as for estudar.
    pagina(modelo, opcoes = {}) {
      const nome = nameOf(opcoes, "modelo");
      const extra = material(opcoes);
      const args = [nome, ...options(opcoes, STUDY), ...extra.args];
      const outputs = (stem) => [`${stem}.html`];
      const result = P.study(args, nome, B.of(modelo, "o modelo"), outputs, null, extra.files);
      return answer(result, "pagina");
    },

    // quivor-study NOME --csv --sem-pagina: {status, tabela (NOME.csv's
    // bytes, its byte order mark kept for the spreadsheets, or null), saida,
    // erro}.
    tabela(modelo, opcoes = {}) {
      const nome = nameOf(opcoes, "modelo");
      const args = [nome, "--csv", "--sem-pagina", ...options(opcoes, STUDY)];
      const result = P.study(args, nome, B.of(modelo, "o modelo"), (stem) => [`${stem}.csv`]);
      const [bytes] = Object.values(result.arquivos);
      return { status: result.status, tabela: bytes, saida: result.saida, erro: result.erro };
    },

    // quivor-study nova NOME: {status, modelo (NOME.txt, or null), saida, erro}.
    nova(opcoes = {}) {
      const nome = nameOf(opcoes, "ponte");
      const args = ["nova", nome, ...options(opcoes, NEW)];
      const result = P.study(args, nome, null, (stem) => [`${stem}.txt`]);
      return answer(result, "modelo");
    },

    // quivor-study renumerar NOME: {status, modelo (NOME-renumerado.txt, or
    // null), saida, erro}.
    renumerar(modelo, opcoes = {}) {
      const nome = nameOf(opcoes, "modelo");
      const result = P.study(["renumerar", nome], nome, B.of(modelo, "o modelo"), (stem) => [
        `${stem}-renumerado.txt`,
      ]);
      return answer(result, "modelo");
    },
  };

  // Resolved with window.quivor once the engine is compiled.
  quivor.pronto = QuivorEngine.load().then(() => quivor);
  window.quivor = quivor;
})();
