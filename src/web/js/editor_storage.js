// The work kept in the browser: the model and its settings in
// localStorage after every change, and a link that holds a model in the
// part after "#", which the browser never sends anywhere.
"use strict";

const QuivorEditorStorage = (() => {
  const KEY = "quivor-editor";

  // The link's fragment for a model: "#modelo=NOME&texto=TEXT".
  function fragment(nome, texto) {
    return `#modelo=${encodeURIComponent(nome)}&texto=${encodeURIComponent(texto)}`;
  }

  // {nome, texto} from a fragment, or null when it holds no model.
  function fromFragment(hash) {
    const match = /^#modelo=([^&]*)&texto=(.*)$/s.exec(hash || "");
    if (!match) return null;
    try {
      return { nome: decodeURIComponent(match[1]), texto: decodeURIComponent(match[2]) };
    } catch {
      return null;
    }
  }

  function save(storage, work) {
    try {
      storage.setItem(KEY, JSON.stringify(work));
      return true;
    } catch {
      return false;
    }
  }

  function load(storage) {
    try {
      const work = JSON.parse(storage.getItem(KEY) || "null");
      return work && typeof work.texto === "string" ? work : null;
    } catch {
      return null;
    }
  }

  return { fragment, fromFragment, save, load };
})();

if (typeof module !== "undefined") module.exports = QuivorEditorStorage;
