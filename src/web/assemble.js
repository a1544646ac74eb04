// Puts quivor.html together: the page's markup (quivor.html.in), the
// engine's glue, the engine itself as base64 (built without and with 128-bit
// SIMD), and the page's scripts, each
// in a script element of its own, in the order given. The glue and the
// scripts named in --shared are marked data-worker (the worker's source is
// made of them); those in --worker-only are marked too, but not run by the
// page (type text/plain).
//   node assemble.js --template T --glue G.js --wasm E.wasm --glue-simd GS.js
//                    --wasm-simd ES.wasm --version V --out O
//                    --shared a.js,b.js --worker-only w.js S1.js S2.js ...
"use strict";
const fs = require("fs");
const path = require("path");

function parse(args) {
  const options = { scripts: [] };
  for (let i = 0; i < args.length; i++) {
    if (args[i].startsWith("--")) options[args[i].slice(2)] = args[++i];
    else options.scripts.push(args[i]);
  }
  return options;
}

// A script's text, checked to be safe inside a script element.
function scriptText(file) {
  const text = fs.readFileSync(file, "utf8");
  if (/<\/script|<!--/i.test(text)) throw new Error(`${file}: holds </script or <!--`);
  return text;
}

function main() {
  const options = parse(process.argv.slice(2));
  const glue = scriptText(options.glue);
  // One glue serves both engines: the two links must have made the same.
  if (scriptText(options["glue-simd"]) !== glue) {
    throw new Error(`${options["glue-simd"]}: not the same glue as ${options.glue}`);
  }
  const engine = fs.readFileSync(options.wasm).toString("base64");
  const engineSimd = fs.readFileSync(options["wasm-simd"]).toString("base64");
  const shared = new Set((options.shared || "").split(",").filter(Boolean));
  const workerOnly = new Set((options["worker-only"] || "").split(",").filter(Boolean));
  const element = (file) => {
    const name = path.basename(file);
    const attributes = workerOnly.has(name)
      ? ' type="text/plain" data-worker'
      : shared.has(name)
        ? " data-worker"
        : "";
    return `<script${attributes}>\n// ${name}\n${scriptText(file)}</script>`;
  };
  const scripts = options.scripts.map(element).join("\n");
  const pieces = {
    "@VERSION@": options.version,
    "@ENGINE@": engine,
    "@ENGINE_SIMD@": engineSimd,
    "@GLUE@": `<script data-worker>\n${glue}</script>`,
    "@SCRIPTS@": scripts,
  };
  let page = fs.readFileSync(options.template, "utf8");
  for (const [mark, text] of Object.entries(pieces)) {
    if (!page.includes(mark)) throw new Error(`${options.template}: no ${mark}`);
    page = page.split(mark).join(text);
  }
  // Whole or not at all: a page half written is never left under the name.
  const partial = `${options.out}.partial`;
  fs.writeFileSync(partial, page);
  fs.renameSync(partial, options.out);
}

try {
  main();
} catch (error) {
  process.stderr.write(`assemble.js: ${error.message}\n`);
  process.exit(1);
}
