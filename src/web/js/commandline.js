// Command lines from the options a page's script gives.
"use strict";

const QuivorCommandLine = (() => {
  // `--option value` for each option given (`--option` alone for true;
  // nothing for false, null or undefined); numbers as JavaScript writes
  // them, texts as they are ("25,4").
  function options(given, names) {
    const args = [];
    for (const [key, option] of Object.entries(names)) {
      const value = given[key];
      if (value === undefined || value === null || value === false) continue;
      if (value === true) args.push(option);
      else args.push(option, String(value));
    }
    return args;
  }

  // The model's name: the option nome, or the fallback.
  function name(given, fallback) {
    return given.nome === undefined || given.nome === null ? fallback : String(given.nome);
  }

  return { options, name };
})();
