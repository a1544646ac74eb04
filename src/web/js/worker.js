// The worker that runs quivor-study apart from the page, which stays
// responsive meanwhile: its source is the engine's glue and the scripts the
// page marks for it, this one last (optimizer.js puts them together). It is
// given the compiled engine, the model and the command line.
// For otimizar it posts each progress line of standard error as it comes,
// then the result. For a study (`estudo`, the page's number for it) it
// posts the result with that number and the time the study took; such a
// worker is kept for the next study, its engine instance with it.
"use strict";

self.onmessage = (message) => {
  const { engine, args, name, model, estudo, files } = message.data;
  QuivorEngine.use(engine);
  if (estudo !== undefined) {
    const start = performance.now();
    const result = QuivorPrograms.study(args, name, model, () => [], null, files);
    self.postMessage({ estudo, resultado: result, ms: performance.now() - start });
    return;
  }
  let line = [];
  // A progress line ends with a carriage return or a line end.
  const watch = (byte) => {
    if (byte !== 13 && byte !== 10) {
      line.push(byte);
      return;
    }
    if (line.length > 0) {
      self.postMessage({ progresso: QuivorBytes.text(Uint8Array.from(line)).trimEnd() });
    }
    line = [];
  };
  const outputs = (stem) => [`${stem}-otimizado.txt`, `${stem}-otimizado.html`];
  const result = QuivorPrograms.study(args, name, model, outputs, watch);
  self.postMessage({ resultado: result });
};
