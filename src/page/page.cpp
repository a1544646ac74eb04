// The study's page: the summary, the drawing, the tables and, for the
// printer only, the template sheets; one self-contained file.
#include "page/page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "page/markup.hpp"
#include "page/page_parts.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::page {
namespace {

using study::Plural;
using study::Study;

constexpr const char* kStyle = R"(<style>
:root{color-scheme:light}
body{margin:0;font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans","DejaVu Sans",sans-serif;color:#1d232b;background:#f3f4f6}
.screen{max-width:1180px;margin:0 auto;padding:12px 20px 40px}
h1{font-size:1.75em;margin:.3em 0 .1em}
h2{font-size:1.2em;margin:0 0 .5em}
.sub{margin:0;color:#5b6470}
.verdict{display:inline-block;margin:.6em 0 .2em;padding:.35em .8em;border-radius:6px;font-weight:600}
.ok{background:#e2f3e6;color:#17602e}.bad{background:#fde7e4;color:#a3180d}
.figures{display:grid;grid-template-columns:repeat(auto-fit,minmax(230px,1fr));gap:10px;margin:12px 0}
.figure{background:#fff;border:1px solid #dde1e6;border-radius:8px;padding:10px 14px}
.figure span{display:block;color:#5b6470;font-size:.85em}
.figure b{display:block;font-size:1.45em;line-height:1.3}
.figure small{display:block;color:#39424d}
.figure .over{color:#a3180d}
.screen section{background:#fff;border:1px solid #dde1e6;border-radius:8px;padding:14px 16px;margin:12px 0}
.note,.caption{color:#5b6470;font-size:.9em;margin:.3em 0}
.views>input{position:absolute;opacity:0;pointer-events:none}
.views>label{display:inline-block;padding:.3em .9em;margin:0 4px 6px 0;border:1px solid #c9ced5;border-radius:16px;cursor:pointer;background:#f7f8fa}
.views>input:checked+label{background:#1d232b;color:#fff;border-color:#1d232b}
.views>input:focus-visible+label{outline:2px solid #1f5fbf;outline-offset:2px}
svg.drawing{display:block;width:100%;height:auto;max-height:78vh;background:#fff;border-top:1px solid #eceef1}
.drawing line,.drawing path,.drawing circle{vector-effect:non-scaling-stroke}
.drawing line{stroke-linecap:round}
.bar:hover{stroke-opacity:.55}
.t{stroke:#1f5fbf}.c{stroke:#c62828}.z{stroke:#a4aab1}.k{stroke:#9a6a1c}
.w1{stroke-width:1.6px}.w2{stroke-width:2.4px}.w3{stroke-width:3.3px}.w4{stroke-width:4.2px}
.w5{stroke-width:5.1px}.w6{stroke-width:6px}.w7{stroke-width:7px}.w8{stroke-width:8px}
.ghost{stroke:#9aa1a9;stroke-width:1.5px;stroke-dasharray:5 4}
.node{fill:#fff;stroke:#1d232b;stroke-width:1.4px}
.outline{stroke:#e65100;stroke-width:1.5px;stroke-dasharray:6 4}
.node.moving{stroke:#e65100;stroke-width:2px}
.moved{stroke:#e65100;stroke-width:2.5px;stroke-linecap:round}
.mover{fill:#e65100;stroke:#fff;stroke-width:1px}
.track{stroke:#e65100;stroke-width:1px;stroke-dasharray:2 2;fill:none}
.support{fill:#e9ebee;stroke:#1d232b;stroke-width:1.2px}
.ground{fill:none;stroke:#1d232b;stroke-width:1.2px}
.load{fill:#6a1b9a;stroke:#6a1b9a;stroke-width:2px;stroke-linejoin:round}
.drawing text{paint-order:stroke;stroke:#fff;stroke-width:.28em;stroke-linejoin:round}
.nl{font-weight:700;fill:#1d232b;text-anchor:middle;dominant-baseline:central}
.bl{fill:#4b5563;font-size:.9em;text-anchor:middle;dominant-baseline:central}
.sn{font-weight:700;fill:#7a4f0e}
.ll{fill:#6a1b9a;font-weight:700;text-anchor:middle;dominant-baseline:central}
.key{display:inline-block;padding:0 .5em;border-left:4px solid;margin-left:.3em}
.key.t{border-color:#1f5fbf}.key.c{border-color:#c62828}.key.z{border-color:#a4aab1}
table{border-collapse:collapse;font-variant-numeric:tabular-nums;font-size:.92em}
th,td{padding:.25em .7em;border-bottom:1px solid #eceef1;text-align:left}
th{background:#f7f8fa;font-weight:600}
.n{text-align:right}
.scroll{overflow-x:auto;max-height:70vh;overflow-y:auto}
.scroll th{position:sticky;top:0}
tfoot td{font-weight:600;border-top:2px solid #c9ced5}
ul.plain{padding-left:1.2em;margin:.3em 0}
button{font:inherit;padding:.35em 1em;border-radius:6px;border:1px solid #1d232b;background:#1d232b;color:#fff;cursor:pointer}
details summary{cursor:pointer;font-weight:600}
pre.error{white-space:pre-wrap;background:#fde7e4;color:#a3180d;padding:.7em 1em;border-radius:6px}
@media screen{.sheets{display:none}}
@media print{.screen:not(.keep){display:none}body{background:#fff;color:#000}}
.sheet{break-after:page;page-break-after:always;overflow:hidden;font:3.4mm/1.4 sans-serif;color:#000}
.sheet:last-child{break-after:auto;page-break-after:auto}
.sheet h1{font-size:6mm;margin:0 0 4mm}
.sheet-head{margin:0;height:7mm;font-size:3.2mm}
.tile,.square,.map{display:block}
.tb{stroke:#000;stroke-width:.05px;fill:none;stroke-linecap:round}
.tn{stroke:#000;stroke-width:.03px;fill:none}
.tr{stroke:#000;stroke-width:.025px;fill:none}
.td{stroke:#777;stroke-width:.02px;stroke-dasharray:.3px .2px;fill:none}
.tl{fill:#000;font-size:.3px;text-anchor:middle;font-family:sans-serif}
.tt{fill:#000;font-size:.36px;font-weight:700;font-family:sans-serif}
.cover-body{display:flex;gap:8mm;align-items:flex-start}
.cover-left{flex:0 0 100mm}
.cover-text{flex:1 1 auto}
.cover-text ol{padding-left:5mm;margin:2mm 0}
.cover-text li{margin-bottom:2mm}
.square .frame{fill:#000;fill-rule:evenodd}
.square .ticks{stroke:#000;stroke-width:.02px;fill:none}
.square text{font-size:.45px;text-anchor:middle;fill:#000}
.map-title{margin:5mm 0 1mm;font-weight:700}
.mb{stroke:#999;fill:none}
.mt{fill:none;stroke:#000}
.mt text{fill:#000;stroke:#fff;stroke-width:.3em;paint-order:stroke;text-anchor:middle;dominant-baseline:central;font-weight:700}
.small{font-size:3mm;color:#333}
</style>
)";

// The growths of the drawings' font, as a script's array.
std::string Growths() {
  Markup list;
  for (std::size_t g = 0; g < kLabelGrowth.size(); ++g) {
    list.Raw(g == 0 ? "[" : ",").Coord(kLabelGrowth[g]);
  }
  return list.Raw("]").str();
}

// Keeps the chosen view and the scroll position across reloads, and
// reloads every 2 s when asked to (`reload` true).
std::string Script(bool reload) {
  std::string script =
      "<script>\n(function(){\n"
      "var key='quivor:'+location.pathname,store;\n"
      "try{store=window.sessionStorage;}catch(e){store=null;}\n"
      "var radios=document.querySelectorAll('input[name=vista]');\n"
      "if(store){var chosen=store.getItem(key+':vista');\n"
      "if(chosen){var radio=document.getElementById(chosen);if(radio)radio.checked=true;}}\n"
      // The drawings' text is sized for a page about 1000 px wide; on a
      // narrower one it grows to stay readable (at most the last growth of
      // the labels, 2,5 times), and the labels with no room at that growth
      // hide (data-grow, AppendLabelStyle).
      "var grows=" +
      Growths() +
      ";\n"
      "function fit(){document.querySelectorAll('svg.drawing').forEach(function(svg){\n"
      "var box=svg.getBoundingClientRect(),view=svg.viewBox.baseVal;if(!box.width)return;\n"
      "var base=Number(svg.dataset.font||svg.getAttribute('font-size'));svg.dataset.font=base;\n"
      "var scale=Math.min(box.width/view.width,box.height/view.height);\n"
      "var font=Math.min(Math.max(base,12/scale),grows[grows.length-1]*base),grow=0;\n"
      "while(grow<grows.length-1&&font>grows[grow]*base*1.000001)grow++;\n"
      "svg.setAttribute('font-size',font);svg.dataset.grow=grow;});}\n"
      "radios.forEach(function(radio){radio.addEventListener('change',function(){"
      "if(store)store.setItem(key+':vista',radio.id);fit();});});\n"
      "window.addEventListener('resize',fit);fit();\n";
  if (reload) {
    script +=
        "if('scrollRestoration' in history)history.scrollRestoration='manual';\n"
        "var y=store?store.getItem(key+':y'):null;\n"
        "if(y!==null)window.scrollTo(0,Number(y));\n"
        "setTimeout(function(){if(store)store.setItem(key+':y',String(window.scrollY));"
        "location.reload();},2000);\n";
  }
  return script + "})();\n</script>\n";
}

void Head(Markup& page, const std::string& title, bool reload) {
  page.Raw(
          "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
          "<meta name=\"generator\" content=\"quivor-study\">\n<title>")
      .Text(title)
      .Raw(" · quivor-study</title>\n");
  // With scripts off the page still follows the model, at the top.
  if (reload) page.Raw("<noscript><meta http-equiv=\"refresh\" content=\"2\"></noscript>\n");
  page.Raw(kStyle);
}

// A figure of the header; `more` are lines below the detail.
void Figure(Markup& page, const char* label, const std::string& value, const std::string& detail,
            const char* detailClass = nullptr, const std::vector<std::string>& more = {}) {
  page.Raw("<div class=\"figure\"><span>").Raw(label).Raw("</span><b>").Text(value).Raw("</b>");
  if (!detail.empty()) {
    page.Raw(detailClass != nullptr ? "<small class=\"" : "<small");
    if (detailClass != nullptr) page.Raw(detailClass).Raw("\"");
    page.Raw(">").Text(detail).Raw("</small>");
  }
  for (const std::string& line : more) {
    if (!line.empty()) page.Raw("<small>").Text(line).Raw("</small>");
  }
  page.Raw("</div>\n");
}

void Summary(Markup& page, const std::string& modelName, const Study& study) {
  page.Raw("<header><h1>")
      .Text(modelName)
      .Raw(
          "</h1><p class=\"sub\">Estudo da ponte "
          "treliçada de espaguete · ");
  page.Raw(Plural(study.nodes, "nó", "nós"))
      .Raw(", ")
      .Raw(Plural(study.bars, "barra", "barras"))
      .Raw(", ")
      .Raw(Plural(study.restraints, "direção presa", "direções presas"))
      .Raw("; m + r − 2j = ")
      .Int(study.maxwell)
      .Raw("</p>\n");
  if (!study.stable) {
    page.Raw("<p class=\"verdict bad\">A treliça é um mecanismo");
    if (!study.mechanisms.empty()) {
      page.Raw(": ").Raw(study::IndependentMotions(study.mechanisms.size()));
    }
    page.Raw(".</p>\n</header>\n");
    return;
  }
  page.Raw("<p class=\"verdict ok\">A treliça é estável.</p>\n<div class=\"figures\">\n");
  // The whole bridge's figures, each truss's beside them.
  if (study.build && study.bridge) {
    const study::Bridge& bridge = *study.bridge;
    const double margin = study.weightLimit - bridge.weight;
    Figure(page, "Peso da ponte", study::Decimal(bridge.weight, 2) + " g",
           "limite de " + study::ShortestDecimal(study.weightLimit) + " g: " +
               (margin >= 0.0 ? "folga de " + study::Decimal(margin, 2) + " g"
                              : "ACIMA do limite em " + study::Decimal(-margin, 2) + " g"),
           margin >= 0.0 ? nullptr : "over",
           {"cada treliça: " + study::Decimal(study.build->weight, 2) + " g",
            study::BridgeWeightParts(bridge)});
  }
  if (study.collapse && study.bridge && study.bridge->collapseLoad) {
    const study::Collapse& collapse = *study.collapse;
    Figure(
        page,
        study.material.bundled() ? "Carga de colapso da ponte"
                                 : "Carga de colapso esperada da ponte (valores médios)",
        study::Decimal(*study.bridge->collapseLoad, 2) + " kgf",
        "cada treliça: " + study::Decimal(collapse.load, 2) + " kgf (caso " +
            std::to_string(collapse.loadCase) + ", barra " + std::to_string(collapse.bar) +
            (collapse.mode == study::FailureMode::kTension ? ", rompe por tração)" : ", flamba)"));
  } else {
    Figure(page, "Carga de colapso da ponte", "—",
           study.cases.empty() ? "o modelo não tem casos de carga"
           : study.collapse    ? "grande demais para ser estimada"
                               : "nenhum caso de carga põe força nas barras");
  }
  if (study.bridge && study.bridge->efficiency) {
    Figure(page, "Eficiência da ponte", study::Decimal(*study.bridge->efficiency, 1) + " kgf/kg",
           "carga de colapso da ponte por kg de ponte", nullptr,
           {study.efficiency
                ? "cada treliça sozinha: " + study::Decimal(*study.efficiency, 1) + " kgf/kg"
                : std::string()});
  }
  if (!study.material.bundled() && study.conservativeCollapse && study.bridge &&
      study.bridge->conservativeCollapseLoad) {
    const study::Collapse& collapse = *study.conservativeCollapse;
    Figure(
        page, "Carga de colapso conservadora da ponte",
        study::Decimal(*study.bridge->conservativeCollapseLoad, 2) + " kgf",
        "com os valores característicos do material; cada treliça: " +
            study::Decimal(collapse.load, 2) + " kgf (caso " + std::to_string(collapse.loadCase) +
            ", barra " + std::to_string(collapse.bar) +
            (collapse.mode == study::FailureMode::kTension ? ", rompe por tração)" : ", flamba)"));
  }
  page.Raw("</div>\n");
  if (study.bridge) {
    page.Raw("<p class=\"note\">A ponte: ").Text(study::BridgeMakeup(*study.bridge)).Raw(".</p>\n");
  }
  page.Raw("<p class=\"note\">Material: ").Text(study::MaterialOrigin(study.material));
  if (!study.material.bundled()) {
    page.Raw(": ");
    for (int value = 0; value < 3; ++value) {
      page.Text(study::ValueText(study.material, value)).Raw(value < 2 ? "; " : "");
    }
    page.Raw(". A carga de colapso estimada usa os valores médios.");
  } else {
    page.Raw(".");
  }
  if (study.material.sizeWithMaterial || !study.material.bundled()) {
    page.Raw(" Contagem de fios: ").Text(study::SizingText(study.material)).Raw(".");
  }
  page.Raw("</p>\n</header>\n");
}

void BuildTable(Markup& page, const Study& study) {
  const study::BuildList& build = *study.build;
  page.Raw(
      "<section id=\"ponte\"><h2>Cada treliça a construir</h2><p class=\"note\">Em cada barra, o "
      "maior número de fios que algum caso de carga pede, e o primeiro caso que o pede."
      "</p>\n<div class=\"scroll\"><table><thead><tr><th class=\"n\">Barra</th><th>Nós</th>"
      "<th class=\"n\">Comprimento (cm)</th><th class=\"n\">Fios</th><th class=\"n\">Caso"
      "</th><th class=\"n\">Peso (g)</th><th>Emenda</th></tr></thead><tbody>\n");
  for (const study::BuildBar& bar : build.bars) {
    page.Raw("<tr><td class=\"n\">")
        .Int(bar.bar)
        .Raw("</td><td>")
        .Int(bar.start)
        .Raw("–")
        .Int(bar.end)
        .Raw("</td><td class=\"n\">")
        .Raw(study::Decimal(bar.length, 2))
        .Raw("</td><td class=\"n\">")
        .Int(bar.strands)
        .Raw("</td><td class=\"n\">");
    if (bar.loadCase == 0) {
      page.Raw("–");
    } else {
      page.Int(bar.loadCase);
    }
    page.Raw("</td><td class=\"n\">")
        .Raw(study::Decimal(bar.weight, 2))
        .Raw("</td><td>")
        .Raw(bar.splice ? "sim" : "não")
        .Raw("</td></tr>\n");
  }
  page.Raw("</tbody><tfoot><tr><td colspan=\"5\">Peso de cada treliça</td><td class=\"n\">")
      .Raw(study::Decimal(build.weight, 2))
      .Raw("</td><td></td></tr></tfoot></table></div></section>\n");
}

// The pieces to cut, grouped by length (to 0,1 mm), longest first.
void CuttingTable(Markup& page, const Study& study) {
  const study::BuildList& build = *study.build;
  // The pieces of every truss of the bridge, cut together.
  const int trusses = study.bridge ? study.bridge->trusses : 1;
  const std::int64_t whole = study.bridge ? study.bridge->wholeStrands : build.wholeStrands;
  struct Pieces {
    long long count = 0;
    bool splice = false;
    std::vector<int> bars;
  };
  std::map<double, Pieces, std::greater<>> byLength;
  for (const study::BuildBar& bar : build.bars) {
    const double key = std::round(bar.length * 100.0) / 100.0;
    Pieces& pieces = byLength[std::isfinite(key) ? key : 0.0];
    pieces.count += static_cast<long long>(bar.strands) * trusses;
    pieces.splice = pieces.splice || bar.splice;
    pieces.bars.push_back(bar.bar);
  }
  page.Raw("<section id=\"fios\"><h2>Fios a cortar para a ponte</h2><p>")
      .Int(whole)
      .Raw(whole == 1 ? " fio inteiro" : " fios inteiros")
      .Raw(" de ")
      .Raw(study::ShortestDecimal(study.strandLength))
      .Raw(" cm dão todas as peças ")
      .Raw(trusses == 1 ? "da treliça" : "das " + std::to_string(trusses) + " treliças")
      .Raw(" (as mais longas cortadas primeiro); cada treliça sozinha pede ")
      .Int(build.wholeStrands)
      .Raw(
          ". Uma peça mais longa que um fio é emendada.</p>\n<div class=\"scroll\"><table>"
          "<thead><tr><th class=\"n\">Comprimento (cm)</th><th class=\"n\">Peças na ponte</th>"
          "<th>Barras</th></tr></thead><tbody>\n");
  for (const auto& [length, pieces] : byLength) {
    page.Raw("<tr><td class=\"n\">")
        .Raw(study::Decimal(length, 2))
        .Raw(pieces.splice ? " (emenda)" : "")
        .Raw("</td><td class=\"n\">")
        .Int(pieces.count)
        .Raw("</td><td>");
    for (std::size_t i = 0; i < pieces.bars.size(); ++i) {
      page.Raw(i == 0 ? "" : ", ").Int(pieces.bars[i]);
    }
    page.Raw("</td></tr>\n");
  }
  page.Raw("</tbody></table></div></section>\n");
}

void CollapseTable(Markup& page, const Study& study) {
  page.Raw(
      "<section id=\"colapso\"><h2>Colapso de cada treliça, caso a caso</h2><p class=\"note\">"
      "Sem os coeficientes de segurança, com os fios de cada treliça a construir: o fator é a "
      "menor razão entre a capacidade e a força das barras; a carga é a de uma treliça.</p>\n");
  if (study.cases.empty()) {
    page.Raw("<p>O modelo não tem casos de carga.</p></section>\n");
    return;
  }
  page.Raw(
      "<div class=\"scroll\"><table><thead><tr><th class=\"n\">Caso</th><th class=\"n\">"
      "Carga (kgf)</th><th class=\"n\">Fator</th><th class=\"n\">Carga de colapso (kgf)"
      "</th><th class=\"n\">Barra</th><th>Modo</th><th class=\"n\">Desl. máx. (cm)</th>"
      "<th class=\"n\">Nó</th></tr></thead><tbody>\n");
  for (const study::CaseCollapse& c : study.cases) {
    page.Raw("<tr><td class=\"n\">")
        .Int(c.loadCase)
        .Raw("</td><td class=\"n\">")
        .Raw(study::Decimal(c.load, 2))
        .Raw("</td><td class=\"n\">")
        .Raw(c.factor ? study::Decimal(*c.factor, 3) : "–")
        .Raw("</td><td class=\"n\">")
        .Raw(c.collapseLoad ? study::Decimal(*c.collapseLoad, 2) : "–")
        .Raw("</td><td class=\"n\">")
        .Raw(c.bar ? std::to_string(*c.bar) : "–")
        .Raw("</td><td>")
        .Raw(c.mode ? study::ModeName(*c.mode) : "–")
        .Raw("</td><td class=\"n\">")
        .Raw(study::Decimal(c.maxDisplacement, 4))
        .Raw("</td><td class=\"n\">")
        .Int(c.node)
        .Raw("</td></tr>\n");
  }
  page.Raw("</tbody></table></div></section>\n");
}

void MechanismList(Markup& page, const Study& study) {
  page.Raw("<section id=\"mecanismos\"><h2>Mecanismos</h2>\n");
  if (study.mechanisms.empty()) {
    page.Raw("<p>A treliça é tratada como um mecanismo.</p>\n");
  } else {
    page.Raw("<ol>");
    for (const study::Mechanism& mechanism : study.mechanisms) {
      page.Raw("<li>").Text(study::MechanismText(mechanism)).Raw(".</li>");
    }
    page.Raw("</ol>\n");
  }
  if (study.quivorSingular) {
    page.Raw("<p>O quivor para este modelo com “Matriz singular”.</p>\n");
  }
  page.Raw("</section>\n");
}

void Warnings(Markup& page, const Study& study, std::span<const study::FileWarning> fileWarnings) {
  if (study.warnings.empty() && fileWarnings.empty()) return;
  page.Raw("<section id=\"avisos\"><h2>Avisos</h2><ul class=\"plain\">");
  for (const study::FileWarning& warning : fileWarnings) {
    page.Raw("<li>").Text(warning.text).Raw(".</li>");
  }
  for (const study::Warning& warning : study.warnings) {
    page.Raw("<li>").Text(study::WarningText(warning)).Raw(".</li>");
  }
  page.Raw("</ul></section>\n");
}

}  // namespace

std::string PageHtml(const std::string& modelName, const Model& model, const Study& study,
                     const PageOptions& options) {
  const PlacedTruss truss = PlaceTruss(model);
  Markup page;
  // About 3 drawings' worth of bars and the tables: enough to write a large
  // truss's page without growing the text many times over.
  page.str().reserve(4096 + 600 * (truss.bars.size() + truss.nodes.size()));
  Head(page, modelName, options.reload);
  AppendViewSwitchStyle(page);
  AppendLabelStyle(page);
  AppendPrintStyle(page, truss);
  page.Raw("</head>\n<body>\n<div class=\"screen\">\n");
  Summary(page, modelName, study);
  if (options.earlierModel != nullptr && options.earlierStudy != nullptr) {
    const PlacedTruss earlierTruss = PlaceTrussInFrame(*options.earlierModel, truss);
    const EarlierShape earlier{*options.earlierModel, earlierTruss, *options.earlierStudy};
    AppendDrawing(page, model, truss, study, &earlier);
  } else {
    AppendDrawing(page, model, truss, study, nullptr);
  }
  if (study.stable && study.build) {
    BuildTable(page, study);
    CuttingTable(page, study);
    CollapseTable(page, study);
  } else {
    MechanismList(page, study);
  }
  Warnings(page, study, options.fileWarnings);
  AppendPrintHelp(page, truss);
  page.Raw("</div>\n");
  AppendTemplate(page, modelName, truss, study);
  page.Raw(Script(options.reload)).Raw("</body>\n</html>\n");
  return std::move(page.str());
}

std::string ErrorPageHtml(const std::string& modelName, const std::string& error,
                          const PageOptions& options) {
  Markup page;
  Head(page, modelName, options.reload);
  page.Raw("</head>\n<body>\n<div class=\"screen keep\">\n<header><h1>")
      .Text(modelName)
      .Raw(
          "</h1><p class=\"verdict bad\">O modelo não pôde ser estudado.</p></header>\n"
          "<section><pre class=\"error\">")
      .Text(error)
      .Raw("</pre>");
  for (const study::FileWarning& warning : options.fileWarnings) {
    page.Raw("<p>Aviso: ").Text(warning.text).Raw(".</p>");
  }
  if (options.reload) {
    page.Raw("<p>Corrija o arquivo e salve: esta página se atualiza sozinha.</p>");
  }
  page.Raw("</section>\n</div>\n").Raw(Script(options.reload)).Raw("</body>\n</html>\n");
  return std::move(page.str());
}

}  // namespace quivor::page
