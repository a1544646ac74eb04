// The page itself: says whether the programs are ready.
"use strict";

window.quivor.pronto.then(
  () => {
    document.getElementById("estado").textContent = "Pronto: window.quivor.";
  },
  (error) => {
    document.getElementById("estado").textContent = `O programa não pôde ser carregado: ${error}`;
  },
);
