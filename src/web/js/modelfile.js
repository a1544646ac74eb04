// A model the student opens: its name as the programs take it, the files
// the page offers for it, and what to read when a program refuses it.
"use strict";

const QuivorModelFile = (() => {
  // The model's name: the file's name without its .txt (in any case); null
  // for a file that is not a .txt, or is nothing but the extension.
  function stem(fileName) {
    const match = /^(.+)\.txt$/is.exec(fileName);
    return match ? match[1] : null;
  }

  // The files offered for the model NOME: quivor's report and
  // quivor-study's page, with their types.
  function downloads(nome) {
    return {
      relatorio: { name: `${nome}.rtf`, type: "application/rtf" },
      pagina: { name: `${nome}.html`, type: "text/html;charset=utf-8" },
    };
  }

  // What a program said when it gave no file: its standard error, else its
  // console output, without the blank lines around it.
  function refusal(result) {
    const said = (result.erro || "").trim() || (result.saida || "").trim();
    return said || `O programa terminou com o código ${result.status} sem dizer por quê.`;
  }

  // The first .txt among the files given (a FileList or an array), else the
  // first file, else null.
  function pick(files) {
    const all = Array.from(files || []);
    return all.find((file) => stem(file.name) !== null) || all[0] || null;
  }

  return { stem, downloads, refusal, pick };
})();
