// The editor's longer actions: a new bridge from the types of nova, and
// the shape search (otimizar) in the background, its result shown beside
// the model and then accepted, as one step, or discarded.
"use strict";

const QuivorEditorActions = (() => {
  const M = QuivorEditorModel;
  const P = QuivorEditorPanels;
  const element = (id) => document.getElementById(id);

  function newBridge(E) {
    const box = element("nova-form");
    if (!box.hidden) {
      box.hidden = true;
      return;
    }
    const types = ["pratt", "howe", "warren", "warren-montantes", "k", "arco"];
    box.innerHTML =
      `<fieldset><legend>Nova ponte</legend>` +
      `<label for="nova-tipo">Tipo<select id="nova-tipo">${types.map((t) => `<option>${t}</option>`).join("")}</select></label>` +
      `<label for="nova-nome">Nome<input type="text" id="nova-nome" value="ponte"></label>` +
      `<label for="nova-vao">Vão (cm)<input type="text" id="nova-vao" value="100"></label>` +
      `<label for="nova-altura">Altura (cm)<input type="text" id="nova-altura" value="15"></label>` +
      `<label for="nova-paineis">Painéis<input type="text" id="nova-paineis" value="10"></label>` +
      `<label for="nova-carga">Carga (kgf)<input type="text" id="nova-carga" value="5"></label>` +
      `<label for="nova-coef-tracao">Coef. tração<input type="text" id="nova-coef-tracao" value="2"></label>` +
      `<label for="nova-coef-compressao">Coef. compressão<input type="text" id="nova-coef-compressao" value="3"></label>` +
      `<label for="nova-distribuida">Carga distribuída<input type="checkbox" id="nova-distribuida"></label>` +
      `<p><button type="button" id="nova-criar">Criar</button> <button type="button" id="nova-vazia">Desenho vazio</button></p>` +
      `<pre id="nova-erro" hidden></pre></fieldset>`;
    box.hidden = false;
    const value = (id) => box.querySelector(`#${id}`).value.trim().replace(",", ".");
    box.querySelector("#nova-criar").addEventListener("click", () => {
      if (!E.ready()) return;
      const nome = value("nova-nome") || "ponte";
      const result = window.quivor.nova({
        nome,
        tipo: value("nova-tipo"),
        vao: value("nova-vao"),
        altura: value("nova-altura"),
        paineis: value("nova-paineis"),
        carga: value("nova-carga"),
        coefTracao: value("nova-coef-tracao"),
        coefCompressao: value("nova-coef-compressao"),
        cargaDistribuida: box.querySelector("#nova-distribuida").checked,
      });
      const error = box.querySelector("#nova-erro");
      if (result.modelo === null) {
        error.textContent = QuivorModelFile.refusal(result);
        error.hidden = false;
        return;
      }
      box.hidden = true;
      E.abrir(result.modelo, nome);
    });
    box.querySelector("#nova-vazia").addEventListener("click", () => {
      box.hidden = true;
      E.nome = value("nova-nome") || "ponte";
      E.history.replace(M.empty());
      E.selected = null;
      E.fit();
      E.changed(false);
    });
  }

  // The figures of a study's JSON text in a few words, or "".
  function figures(json) {
    let s;
    try {
      s = JSON.parse(json);
    } catch {
      return "";
    }
    if (!s.build) return "";
    const parts = [`${M.shown(s.build.weight)} g`];
    if (s.collapse) parts.push(`colapso com ${M.shown(s.collapse.load)} kgf`);
    if (s.efficiency !== null) parts.push(`eficiência ${M.shown(s.efficiency)} kgf/kg`);
    return parts.join(", ");
  }

  let running = null;

  function optimize(E) {
    if (!E.ready()) return;
    if (running) running.cancelar();
    const box = element("otimizacao");
    const run = window.quivor.otimizar(E.text(), {
      nome: E.nome,
      limitePeso: E.opcoes.limitePeso,
      fio: E.opcoes.fio,
      progresso: (line) => {
        const said = box.querySelector("pre");
        if (running === run && said) said.textContent = line;
      },
    });
    running = run;
    box.innerHTML =
      `<fieldset><legend>Otimizar</legend><pre>Procurando...</pre>` +
      `<p><button type="button" id="otimizar-parar">Cancelar</button></p></fieldset>`;
    box.hidden = false;
    box.querySelector("#otimizar-parar").addEventListener("click", () => run.cancelar());
    run.promessa.then((result) => {
      if (running !== run) return; // another search took its place
      running = null;
      if (result.cancelado || result.modelo === null) {
        box.innerHTML = result.cancelado
          ? ""
          : `<pre>${P.escape(QuivorModelFile.refusal(result))}</pre>`;
        box.hidden = Boolean(result.cancelado);
        return;
      }
      let proposta;
      try {
        proposta = M.parse(result.modelo);
      } catch (error) {
        box.innerHTML = `<pre>${P.escape(error.message)}</pre>`;
        return;
      }
      E.proposta = proposta;
      E.redraw();
      const options = { nome: E.nome, ...E.opcoes };
      const found = figures(window.quivor.estudar(result.modelo, options).json);
      const now = figures(window.quivor.estudar(E.text(), options).json);
      box.innerHTML =
        `<fieldset><legend>Forma otimizada</legend><p>Tracejada em verde sobre a atual.</p>` +
        (found ? `<p id="otimizada-figuras">Otimizada: ${found}.<br>Atual: ${now || "—"}.</p>` : "") +
        `<p><button type="button" id="otimizar-aceitar">Aceitar</button> ` +
        `<button type="button" id="otimizar-descartar">Descartar</button></p></fieldset>`;
      box.querySelector("#otimizar-aceitar").addEventListener("click", () => {
        E.proposta = null;
        box.hidden = true;
        E.history.replace(proposta);
        E.changed(false);
      });
      box.querySelector("#otimizar-descartar").addEventListener("click", () => {
        E.proposta = null;
        box.hidden = true;
        E.redraw();
      });
    });
  }

  return { newBridge, optimize };
})();
