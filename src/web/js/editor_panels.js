// The editor's panels: what is selected, what the study says, and the
// model's settings.
"use strict";

const QuivorEditorPanels = (() => {
  const M = QuivorEditorModel;

  const escape = (text) =>
    String(text).replace(/[&<>"]/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" })[c]);

  function field(id, label, value) {
    return `<label for="${id}">${label}<input type="text" id="${id}" inputmode="decimal" value="${escape(value)}"></label>`;
  }

  // A text field that changes the model when it is left or Enter is
  // pressed; a text that is not a number is shown as such and not taken.
  function onNumber(root, id, take) {
    const input = root.querySelector(`#${id}`);
    if (!input) return;
    input.addEventListener("change", () => {
      const value = M.typed(input.value);
      input.setCustomValidity(Number.isFinite(value) ? "" : "Não é um número");
      input.setAttribute("aria-invalid", String(!Number.isFinite(value)));
      if (Number.isFinite(value)) take(value);
    });
  }

  function selection(E) {
    const root = E.panels.selecao;
    const model = E.history.model;
    const selected = E.selected;
    if (selected && selected.no !== undefined && M.node(model, selected.no)) {
      const n = M.node(model, selected.no);
      const load = M.loadOf(model, E.caso, n.no);
      const kind = M.supportOf(model, n.no);
      const options = [
        ["livre", "sem apoio"],
        ["rolete-x", "rolete (desliza em x)"],
        ["rolete-y", "rolete (desliza em y)"],
        ["fixo", "fixo (pino)"],
      ]
        .map(([value, text]) => `<option value="${value}"${value === kind ? " selected" : ""}>${text}</option>`)
        .join("");
      root.innerHTML =
        `<p>Nó ${n.no}</p>${field("no-x", "x (cm)", M.shown(n.x))}${field("no-y", "y (cm)", M.shown(n.y))}` +
        `<label for="no-apoio">Apoio<select id="no-apoio">${options}</select></label>` +
        `<p>Carga no caso ${E.caso + 1} (kgf)</p>${field("carga-fx", "fx", M.shown(load.fx, 4))}${field("carga-fy", "fy", M.shown(load.fy, 4))}`;
      const here = () => M.node(E.history.model, n.no);
      onNumber(root, "no-x", (x) => E.change((m) => E.sym().moveNode(m, E.mirror(), n.no, x, here().y)));
      onNumber(root, "no-y", (y) => E.change((m) => E.sym().moveNode(m, E.mirror(), n.no, here().x, y)));
      root.querySelector("#no-apoio").addEventListener("change", (event) => {
        E.change((m) => E.sym().setSupport(m, E.mirror(), n.no, event.target.value));
      });
      onNumber(root, "carga-fx", (fx) => {
        const now = M.loadOf(E.history.model, E.caso, n.no);
        E.change((m) => E.sym().setLoad(m, E.mirror(), E.caso, n.no, fx, now.fy));
      });
      onNumber(root, "carga-fy", (fy) => {
        const now = M.loadOf(E.history.model, E.caso, n.no);
        E.change((m) => E.sym().setLoad(m, E.mirror(), E.caso, n.no, now.fx, fy));
      });
      return;
    }
    const bar = selected && model.barras.find((b) => b.barra === selected.barra);
    if (bar) {
      const [a, b] = [M.node(model, bar.a), M.node(model, bar.b)];
      const study = E.study;
      const index = model.barras.indexOf(bar);
      const force =
        study && study.cases && study.cases[E.caso] && study.cases[E.caso].forces
          ? study.cases[E.caso].forces[index]
          : null;
      const build = study && study.build ? study.build.bars.find((item) => item.bar === bar.barra) : null;
      root.innerHTML =
        `<p>Barra ${bar.barra}: nós ${bar.a} e ${bar.b}</p>` +
        `<p>Comprimento: ${M.shown(Math.hypot(b.x - a.x, b.y - a.y))} cm</p>` +
        (force !== null && force !== undefined
          ? `<p>Força no caso ${E.caso + 1}: ${M.shown(force)} kgf (${force > 0 ? "tração" : force < 0 ? "compressão" : "nula"})</p>`
          : "") +
        (build ? `<p>${build.strands} fios, ${M.shown(build.weight)} g</p>` : "");
      return;
    }
    root.innerHTML = "<p>Nada selecionado. Clique num nó ou numa barra.</p>";
  }

  // The collapse load with the team's material's conservative values,
  // the whole bridge's where the study has it; null with the bundled
  // material (its figures are the expected ones) or when there is none.
  function conservativeCollapse(s) {
    const c = s.conservative;
    if (!s.material || s.material.origin === "bundled" || !c) return null;
    if (c.bridge && typeof c.bridge.collapseLoad === "number") return c.bridge.collapseLoad;
    return c.collapse && typeof c.collapse.load === "number" ? c.collapse.load : null;
  }

  // The study's answer: stable or not, the weight, the collapse, the
  // efficiency, the warnings; or why the model cannot be studied.
  function answer(E) {
    const root = E.panels.resposta;
    const s = E.study;
    if (E.refusal) {
      root.innerHTML = `<pre id="erro-modelo">${escape(E.refusal)}</pre>`;
      return;
    }
    if (E.studying) {
      // The figures of the model before are not this model's.
      root.innerHTML =
        `<p id="estudo-em-andamento" role="status">Estudando este modelo… O desenho segue livre; ` +
        `as figuras aparecem aqui quando o estudo terminar.</p>`;
      return;
    }
    if (!s) {
      root.innerHTML =
        "<p>Desenhe a ponte: <strong>Nó (N)</strong> e um clique no desenho põe um nó; " +
        "<strong>Barra (B)</strong> liga dois nós; <strong>Apoio (A)</strong> e " +
        "<strong>Carga (C)</strong> num nó. O estudo aparece aqui a cada mudança. " +
        "Ou abra um modelo, ou comece com <strong>Nova ponte</strong>.</p>";
      return;
    }
    const parts = [];
    if (E.stale) parts.push(`<p id="estudo-adiado">O estudo deste modelo grande volta quando o nó for solto.</p>`);
    if (!s.stable) {
      parts.push(
        `<p class="ruim" id="estado-estavel">Mecanismo: a treliça se move (o movimento está tracejado em laranja).</p>`,
      );
      const count = (s.mechanisms || []).length;
      if (count > 1) {
        const shown = Math.min(E.mecanismo || 0, count - 1);
        const options = s.mechanisms
          .map((_, i) => `<option value="${i}"${i === shown ? " selected" : ""}>${i + 1} de ${count}</option>`)
          .join("");
        parts.push(`<label for="mecanismo">Movimento mostrado<select id="mecanismo">${options}</select></label>`);
      }
    } else {
      parts.push(`<p class="bom" id="estado-estavel">Estável.</p>`);
    }
    const count = (n, one, many) => `${n} ${n === 1 ? one : many}`;
    parts.push(
      `<p>${count(s.nodes, "nó", "nós")}, ${count(s.bars, "barra", "barras")}, ` +
        `${count(s.restraints, "restrição", "restrições")}.</p>`,
    );
    // The whole bridge's figures, named as the bridge's, with each truss's
    // beside them; one truss's alone where the study has no bridge.
    const bridge = s.bridge || null;
    const perTruss = (value, unit) => (bridge && value !== null ? ` (cada treliça: ${M.shown(value)} ${unit})` : "");
    const weight = bridge ? bridge.weight : s.build ? s.build.weight : null;
    if (weight !== null && weight !== undefined) {
      const within = bridge ? bridge.withinLimit : weight <= s.weightLimit;
      parts.push(
        `<p id="peso" class="${within ? "bom" : "ruim"}">Peso${bridge ? " da ponte" : ""}: ${M.shown(weight)} g` +
          `${perTruss(s.build.weight, "g")}; limite ${M.shown(s.weightLimit)} g` +
          ` (${within ? "dentro" : "acima"} do limite).</p>`,
      );
      const strands = bridge ? bridge.wholeStrands : s.build.wholeStrands;
      parts.push(`<p>Fios inteiros de ${M.shown(s.strandLength)} cm${bridge ? " para a ponte" : ""}: ${strands}.</p>`);
    }
    const collapseLoad = bridge && typeof bridge.collapseLoad === "number" ? bridge.collapseLoad : null;
    const conservative = conservativeCollapse(s);
    if (s.collapse) {
      const mode = s.collapse.mode === "tension" ? "tração" : "flambagem";
      parts.push(
        `<p id="colapso">Colapso${conservative !== null ? " esperado" : ""}${bridge ? " da ponte" : ""}` +
          `${conservative !== null ? " (valores médios)" : ""}: ` +
          `${M.shown(collapseLoad !== null ? collapseLoad : s.collapse.load)} kgf` +
          `${collapseLoad !== null ? perTruss(s.collapse.load, "kgf") : ""}` +
          ` no caso ${s.collapse.case}, pela barra ${s.collapse.bar} (${mode}).</p>`,
      );
    }
    if (conservative !== null) {
      parts.push(`<p id="colapso-conservador">Colapso conservador${bridge ? " da ponte" : ""}: ${M.shown(conservative)} kgf.</p>`);
    }
    const efficiency = bridge ? bridge.efficiency : s.efficiency;
    if (efficiency !== null && efficiency !== undefined) {
      parts.push(`<p>Eficiência${bridge ? " da ponte" : ""}: ${M.shown(efficiency)} kgf/kg` +
        `${bridge && typeof s.efficiency === "number" ? perTruss(s.efficiency, "kgf/kg") : ""}.</p>`);
    }
    if (bridge) {
      const makeup = [count(bridge.trusses, "treliça igual", "treliças iguais"), `cola ${M.shown(bridge.glue)} g por nó`,
        `peso extra ${M.shown(bridge.extraWeight)} g`];
      parts.push(`<p id="ponte-inteira">A ponte: ${makeup.join(", ")}.</p>`);
    }
    if (s.material && typeof s.material.text === "string" && s.material.text !== "") {
      parts.push(`<p id="material">Material: ${escape(s.material.text)}.</p>`);
    }
    if (s.warnings && s.warnings.length > 0) {
      parts.push(`<ul id="avisos">${s.warnings.map((w) => `<li>${escape(w.text)}</li>`).join("")}</ul>`);
    }
    parts.push(
      `<p class="legenda"><span style="background:#1f5fbf"></span> tração ` +
        `<span style="background:#c62828"></span> compressão <span style="background:#999"></span> nula</p>`,
    );
    root.innerHTML = parts.join("");
    const choice = root.querySelector("#mecanismo");
    if (choice) {
      choice.addEventListener("change", () => {
        E.mecanismo = Number(choice.value);
        E.redraw();
      });
    }
  }

  function settings(E) {
    const root = E.panels.opcoes;
    const model = E.history.model;
    const cases = model.casos
      .map((_, i) => `<option value="${i}"${i === E.caso ? " selected" : ""}>Caso ${i + 1}</option>`)
      .join("");
    root.innerHTML =
      `<label for="caso">Caso mostrado<select id="caso">${cases}</select></label>` +
      `<p><button type="button" id="caso-mais">Novo caso</button> <button type="button" id="caso-menos">Remover caso</button></p>` +
      `<label for="mostrar">Mostrar<select id="mostrar"><option value="forcas">forças</option>` +
      `<option value="fios"${E.mostrar === "fios" ? " selected" : ""}>ponte a construir (fios)</option></select></label>` +
      field("coef-tracao", "Coef. de segurança à tração", M.shown(model.coefTracao, 4)) +
      field("coef-compressao", "Coef. de segurança à compressão", M.shown(model.coefCompressao, 4)) +
      field("limite-peso", "Limite de peso (g)", M.shown(E.opcoes.limitePeso)) +
      field("fio", "Comprimento do fio (cm)", M.shown(E.opcoes.fio)) +
      field("trelicas", "Treliças na ponte", M.shown(E.opcoes.trelicas)) +
      field("cola", "Cola por nó (g)", M.shown(E.opcoes.cola)) +
      field("peso-extra", "Peso extra: travessas, tabuleiro (g)", M.shown(E.opcoes.pesoExtra)) +
      field("grade", "Passo da grade (cm)", M.shown(E.grid)) +
      `<label for="simetria">Simetria<input type="checkbox" id="simetria"${E.simetria ? " checked" : ""}></label>` +
      `<p id="simetria-estado">${E.simetria ? (M.mirror(model) ? "As mudanças se repetem do outro lado." : "O modelo não é simétrico agora.") : ""}</p>` +
      `<p><small>Alt (ou Shift) ao arrastar: sem grade.</small></p>`;
    root.querySelector("#caso").addEventListener("change", (event) => E.showCase(Number(event.target.value)));
    root.querySelector("#caso-mais").addEventListener("click", () => {
      E.change((m) => m.casos.push([]));
      E.showCase(E.history.model.casos.length - 1);
    });
    root.querySelector("#caso-menos").addEventListener("click", () => {
      if (E.history.model.casos.length <= 1) return;
      E.change((m) => m.casos.splice(E.caso, 1));
      E.showCase(Math.min(E.caso, E.history.model.casos.length - 1));
    });
    root.querySelector("#mostrar").addEventListener("change", (event) => {
      E.mostrar = event.target.value;
      E.redraw();
    });
    onNumber(root, "coef-tracao", (v) => E.change((m) => (m.coefTracao = v)));
    onNumber(root, "coef-compressao", (v) => E.change((m) => (m.coefCompressao = v)));
    onNumber(root, "limite-peso", (v) => E.setOption("limitePeso", v));
    onNumber(root, "fio", (v) => E.setOption("fio", v));
    onNumber(root, "trelicas", (v) => E.setOption("trelicas", v));
    onNumber(root, "cola", (v) => E.setOption("cola", v));
    onNumber(root, "peso-extra", (v) => E.setOption("pesoExtra", v));
    onNumber(root, "grade", (v) => {
      if (v > 0) E.grid = v;
      E.redraw();
    });
    root.querySelector("#simetria").addEventListener("change", (event) => {
      E.simetria = event.target.checked;
      settings(E);
    });
  }

  return { selection, answer, settings, escape };
})();
