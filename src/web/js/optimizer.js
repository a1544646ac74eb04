// quivor.otimizar: quivor-study otimizar in a worker, with its progress and
// a way to stop it.
"use strict";

// The workers' script: the engine's glue and the scripts marked for it, as
// one blob made once (quivor.otimizar's workers and the study's).
const QuivorWorker = (() => {
  let source = null;
  function workerSource() {
    if (source === null) {
      const parts = [...document.querySelectorAll("script[data-worker]")].map(
        (script) => script.textContent,
      );
      source = URL.createObjectURL(new Blob([parts.join("\n;\n")], { type: "text/javascript" }));
    }
    return source;
  }
  return { source: workerSource };
})();

(() => {
  const B = QuivorBytes;
  const OPTIONS = {
    alturaMax: "--altura-max",
    barraMin: "--barra-min",
    moverX: "--mover-x",
    semSimetria: "--sem-simetria",
    limitePeso: "--limite-peso",
    fio: "--fio",
    trelicas: "--trelicas",
    cola: "--cola",
    pesoExtra: "--peso-extra",
  };
  const workerSource = QuivorWorker.source;

  // quivor-study otimizar NOME: {promessa, cancelar}. The promise resolves
  // with {status, modelo (NOME-otimizado.txt, or null), pagina
  // (NOME-otimizado.html, or null), saida, erro}, or {cancelado: true} once
  // cancelar() has stopped the search; opcoes.progresso, when given, gets
  // each progress line.
  window.quivor.otimizar = (modelo, opcoes = {}) => {
    const nome = QuivorCommandLine.name(opcoes, "modelo");
    const args = ["otimizar", nome, ...QuivorCommandLine.options(opcoes, OPTIONS)];
    const bytes = B.of(modelo, "o modelo");
    if (QuivorEngine.module() === null) {
      throw new Error("quivor: o programa ainda não foi carregado");
    }
    const worker = new Worker(workerSource());
    let settle = null;
    const promessa = new Promise((resolve) => {
      settle = (answer) => {
        worker.terminate();
        resolve(answer);
      };
    });
    worker.onmessage = (message) => {
      const { progresso, resultado } = message.data;
      if (progresso !== undefined) {
        if (typeof opcoes.progresso === "function") opcoes.progresso(progresso);
        return;
      }
      const [model, page] = Object.values(resultado.arquivos);
      settle({
        status: resultado.status,
        modelo: B.text(model),
        pagina: B.text(page),
        saida: resultado.saida,
        erro: resultado.erro,
      });
    };
    worker.onerror = (event) => {
      event.preventDefault();
      settle({ status: 134, modelo: null, pagina: null, saida: "", erro: `${event.message}\n` });
    };
    worker.postMessage({ engine: QuivorEngine.module(), args, name: nome, model: bytes });
    return { promessa, cancelar: () => settle({ cancelado: true }) };
  };
})();
