// The page a student opens: a model chosen with the file picker or dropped
// anywhere on the page, its study shown as quivor-study's page, quivor's
// report and that page to download, and the programs' own message when
// they refuse the model.
"use strict";

(() => {
  const M = QuivorModelFile;
  const element = (id) => document.getElementById(id);
  const main = document.querySelector("main");
  const picker = element("modelo");
  const estado = element("estado");
  const recusa = element("recusa");
  const resultado = element("resultado");
  const titulo = element("resultado-titulo");
  const estudo = element("estudo");
  const links = { relatorio: element("baixar-relatorio"), pagina: element("baixar-pagina") };
  // Counts the models asked for: a model still being read when another is
  // asked for is dropped.
  let turn = 0;

  function say(text) {
    estado.textContent = text;
  }

  function refuse(text) {
    recusa.querySelector("pre").textContent = text || "";
    recusa.hidden = !text;
  }

  // Offers `bytes` (or a text) under the link as a file of that name; no
  // bytes hide the link.
  function offer(link, bytes, file) {
    if (link.href) URL.revokeObjectURL(link.href);
    if (bytes === null) {
      link.removeAttribute("href");
      link.hidden = true;
      return;
    }
    link.href = URL.createObjectURL(new Blob([bytes], { type: file.type }));
    link.download = file.name;
    link.querySelector(".arquivo").textContent = file.name;
    link.hidden = false;
  }

  // Lets the page draw before a long run on its thread.
  const drawn = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));

  // The page is busy (aria-busy) from the choice of a file until its
  // study, or its refusal, is shown.
  async function open(file) {
    const mine = ++turn;
    main.setAttribute("aria-busy", "true");
    try {
      await take(file, mine);
    } finally {
      if (mine === turn) main.setAttribute("aria-busy", "false");
    }
  }

  async function take(file, mine) {
    const nome = M.stem(file.name);
    if (nome === null) {
      say("");
      refuse(`${file.name} não é um modelo: escolha um arquivo .txt.`);
      return;
    }
    say(`Lendo ${file.name}...`);
    let bytes;
    let quivor;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
      quivor = await window.quivor.pronto;
    } catch (error) {
      if (mine === turn) refuse(`Não foi possível abrir ${file.name}: ${error.message || error}`);
      return;
    }
    if (mine !== turn) return;
    say(`Estudando ${nome}...`);
    await drawn();
    if (mine !== turn) return;
    const study = quivor.pagina(bytes, { nome });
    const report = quivor.relatorio(bytes, nome);
    show(nome, study, report);
  }

  function show(nome, study, report) {
    const files = M.downloads(nome);
    offer(links.relatorio, report.relatorio, files.relatorio);
    offer(links.pagina, study.pagina, files.pagina);
    if (study.pagina === null) {
      resultado.hidden = true;
      estudo.removeAttribute("srcdoc");
      say(`${nome}.txt foi recusado.`);
      refuse(M.refusal(study));
      return;
    }
    titulo.textContent = `Estudo de ${nome}`;
    estudo.title = `Página do estudo de ${nome}`;
    estudo.srcdoc = study.pagina;
    resultado.hidden = false;
    say(`${nome}.txt estudado.`);
    refuse(report.relatorio === null ? M.refusal(report) : "");
  }

  // The study's page as tall as its content, so that the page scrolls as one.
  function fit() {
    const inner = estudo.contentDocument;
    if (inner && inner.documentElement) {
      estudo.style.height = `${inner.documentElement.scrollHeight}px`;
    }
  }

  // A file dropped on `target` is opened; nothing dropped there is opened
  // by the browser in the page's place.
  function takeDrops(target) {
    target.addEventListener("dragover", (event) => {
      event.preventDefault();
      if (event.dataTransfer) event.dataTransfer.dropEffect = "copy";
    });
    target.addEventListener("drop", (event) => {
      event.preventDefault();
      const file = M.pick(event.dataTransfer && event.dataTransfer.files);
      if (file) open(file);
    });
  }

  picker.addEventListener("change", () => {
    const file = M.pick(picker.files);
    if (file) open(file);
    // The same file chosen again, changed since, is opened again.
    picker.value = "";
  });
  takeDrops(window);
  // The study's page is a document of its own: drops on it are taken too.
  estudo.addEventListener("load", () => {
    let inner = null;
    try {
      inner = estudo.contentDocument;
    } catch {
      inner = null;
    }
    if (inner) takeDrops(inner);
    fit();
  });
  window.addEventListener("resize", fit);

  window.quivor.pronto.then(
    () => {
      if (turn === 0) say("Pronto: abra um modelo.");
    },
    (error) => {
      say("");
      refuse(`O programa não pôde ser carregado: ${error}`);
    },
  );
})();
