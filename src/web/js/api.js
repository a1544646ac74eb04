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
    estudar(modelo, opcoes = {}) {
      const nome = nameOf(opcoes, "modelo");
      const args = [nome, "--json", "--sem-pagina", ...options(opcoes, STUDY)];
      const result = P.study(args, nome, B.of(modelo, "o modelo"), () => []);
      return { status: result.status, json: result.saida.replace(/\n$/, ""), erro: result.erro };
    },

    // quivor-study NOME: {status, pagina (NOME.html, or null), saida, erro}.
    pagina(modelo, opcoes = {}) {
      const nome = nameOf(opcoes, "modelo");
      const args = [nome, ...options(opcoes, STUDY)];
      const result = P.study(args, nome, B.of(modelo, "o modelo"), (stem) => [`${stem}.html`]);
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
