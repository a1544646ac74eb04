// The calibration's console text and page.
#include "study_output/calibration_output.hpp"

#include <algorithm>
#include <cmath>

#include "page/markup.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::study {
namespace {

using page::Brief;
using page::Markup;

std::string FarText(const FarTest& far, const std::string& unit) {
  return "linha " + std::to_string(far.line) + " (" + Brief(far.value, 4) + " " + unit +
         "; a mediana dos ensaios é " + Brief(far.median, 4) + ")";
}

std::string FarLines(const std::vector<FarTest>& far, const std::string& unit) {
  if (far.empty()) return "";
  std::string text = "  Longe dos demais (mais de 3,5 desvios robustos da mediana):";
  for (std::size_t i = 0; i < far.size(); ++i) {
    text += (i == 0 ? " " : ", ") + FarText(far[i], unit);
  }
  return text +
         ".\n  Talvez um ensaio mal feito. Ele continua no ajuste; se foi, apague a linha e "
         "rode de novo.\n";
}

std::string TooFew(int have, int need, std::string_view what,
                   std::string_view instead = "o estudo usa o do quivor") {
  return "são precisos ao menos " + std::to_string(need) + " " + std::string(what) + " (há " +
         std::to_string(have) + "): sem valor; " + std::string(instead);
}

int Count(const std::vector<StrandTest>& tests, TestKind kind) {
  return static_cast<int>(std::count_if(tests.begin(), tests.end(),
                                        [kind](const StrandTest& t) { return t.kind == kind; }));
}

// A chart in its own coordinates: points, and lines y = slope * x (or
// level lines y = value) across it.
struct ChartLine {
  double slope = 0.0;  // through the origin
  double level = 0.0;  // horizontal, when slope is 0
  std::string label;
  bool dashed = false;
};

struct ChartPoint {
  double x;
  double y;
  bool far;  // a test far from the others, drawn apart
};

// A chart from the origin (the x ticks at quarters), or of the tests in
// order (a tick per test).
void Chart(Markup& page, const std::string& xLabel, const std::string& yLabel,
           const std::vector<ChartPoint>& points, const std::vector<ChartLine>& lines,
           bool fromOrigin) {
  constexpr double kWidth = 640.0;
  constexpr double kHeight = 380.0;
  constexpr double kLeft = 70.0;
  constexpr double kRight = 20.0;
  constexpr double kTop = 20.0;
  constexpr double kBottom = 50.0;
  double xMax = 0.0;
  double yMax = 0.0;
  double xMin = fromOrigin ? 0.0 : points.front().x;
  for (const ChartPoint& p : points) {
    xMax = std::max(xMax, p.x);
    xMin = std::min(xMin, p.x);
    yMax = std::max(yMax, p.y);
  }
  for (const ChartLine& line : lines)
    yMax = std::max(yMax, line.slope > 0.0 ? line.slope * xMax : line.level);
  if (!fromOrigin) {
    xMin -= 0.5;
    xMax += 0.5;
  }
  xMax = xMax > xMin ? xMax * (fromOrigin ? 1.1 : 1.0) : xMin + 1.0;
  yMax = yMax > 0.0 ? yMax * 1.15 : 1.0;
  const double plotWidth = kWidth - kLeft - kRight;
  const double plotHeight = kHeight - kTop - kBottom;
  auto sx = [&](double x) { return kLeft + (x - xMin) / (xMax - xMin) * plotWidth; };
  auto sy = [&](double y) { return kTop + plotHeight - y / yMax * plotHeight; };

  page.Raw("<svg viewBox=\"").ViewBox(0, 0, kWidth, kHeight).Raw("\" role=\"img\">\n");
  page.Raw("<line class=\"axis\"").LineEnds(kLeft, sy(0), kLeft + plotWidth, sy(0)).Raw("/>\n");
  page.Raw("<line class=\"axis\"").LineEnds(kLeft, kTop, kLeft, sy(0)).Raw("/>\n");
  for (int i = 0; i <= 4; ++i) {
    const double y = yMax * i / 4.0;
    page.Raw("<text class=\"tick\" text-anchor=\"end\" x=\"")
        .Coord(kLeft - 6)
        .Raw("\" y=\"")
        .Coord(sy(y) + 4)
        .Raw("\">")
        .Text(Brief(y, y < 10 ? 2 : 1))
        .Raw("</text>\n");
    if (!fromOrigin) continue;
    const double x = xMin + (xMax - xMin) * i / 4.0;
    page.Raw("<text class=\"tick\" text-anchor=\"middle\" x=\"")
        .Coord(sx(x))
        .Raw("\" y=\"")
        .Coord(sy(0) + 18)
        .Raw("\">")
        .Text(Brief(x, x < 1 ? 4 : 2))
        .Raw("</text>\n");
  }
  for (std::size_t i = 0; !fromOrigin && i < points.size(); ++i) {
    page.Raw("<text class=\"tick\" text-anchor=\"middle\" x=\"")
        .Coord(sx(points[i].x))
        .Raw("\" y=\"")
        .Coord(sy(0) + 18)
        .Raw("\">")
        .Int(static_cast<long long>(i + 1))
        .Raw("</text>\n");
  }
  page.Raw("<text class=\"label\" text-anchor=\"middle\" x=\"")
      .Coord(kLeft + plotWidth / 2)
      .Raw("\" y=\"")
      .Coord(kHeight - 8)
      .Raw("\">")
      .Text(xLabel)
      .Raw("</text>\n");
  page.Raw("<text class=\"label\" x=\"")
      .Coord(kLeft + 6)
      .Raw("\" y=\"")
      .Coord(kTop + 4)
      .Raw("\">")
      .Text(yLabel)
      .Raw("</text>\n");
  for (const ChartLine& line : lines) {
    const double x1 = fromOrigin ? 0.0 : xMin;
    const double y1 = line.slope > 0.0 ? line.slope * x1 : line.level;
    const double y2 = line.slope > 0.0 ? line.slope * xMax : line.level;
    page.Raw("<line class=\"")
        .Raw(line.dashed ? "fit dashed" : "fit")
        .Raw("\"")
        .LineEnds(sx(x1), sy(y1), sx(xMax), sy(y2))
        .Raw("/>\n<text class=\"tick\" text-anchor=\"end\" x=\"")
        .Coord(sx(xMax) - 4)
        .Raw("\" y=\"")
        .Coord(line.dashed ? sy(y2) + 16 : sy(y2) - 6)
        .Raw("\">")
        .Text(line.label)
        .Raw("</text>\n");
  }
  for (const ChartPoint& p : points) {
    page.Raw(p.far ? "<circle class=\"far\" r=\"5\" cx=\"" : "<circle r=\"4\" cx=\"")
        .Coord(sx(p.x))
        .Raw("\" cy=\"")
        .Coord(sy(p.y))
        .Raw("\"/>\n");
  }
  page.Raw("</svg>\n");
}

bool IsFar(const std::vector<FarTest>& far, std::int64_t line) {
  return std::any_of(far.begin(), far.end(), [line](const FarTest& f) { return f.line == line; });
}

std::string Optional(const std::optional<double>& value, int decimals) {
  return value ? Brief(*value, decimals) : "–";
}

}  // namespace

std::string CalibrationReport(const std::string& table, const std::vector<StrandTest>& tests,
                              const Calibration& c) {
  std::string text = "Ensaios de " + table + ": " +
                     Plural(Count(tests, TestKind::kTension), "de tração", "de tração") + ", " +
                     Plural(Count(tests, TestKind::kBuckling), "de flambagem", "de flambagem") +
                     ", " + Plural(c.weight.weighings, "feixe pesado", "feixes pesados") + ".\n";
  const TensionFit& t = c.tension;
  text +=
      "\nTração por fio (carga de ruptura / fios), " + Plural(t.tests, "ensaio", "ensaios") + ":\n";
  if (!t.mean) {
    text += "  " + TooFew(t.tests, kFewestTensionTests, "ensaios de tração") + ".\n";
  } else {
    text += "  média: " + Brief(*t.mean, 4) + " kgf (desvio padrão " + Brief(*t.deviation, 4) +
            " kgf)\n";
    text += "  valor característico (5% inferior, ajuste normal): ";
    if (t.characteristic) {
      text += Brief(*t.characteristic, 4) + " kgf\n";
    } else if (t.tests < kFewestTensionTestsCharacteristic) {
      text += TooFew(t.tests, kFewestTensionTestsCharacteristic, "ensaios de tração",
                     "a estimativa conservadora usa a média") +
              "\n";
    } else {
      text +=
          "a dispersão o leva a zero ou abaixo: sem valor; a estimativa conservadora usa a "
          "média\n";
    }
    text += FarLines(t.far, "kgf por fio");
  }
  const BucklingFit& b = c.buckling;
  text += "\nFlambagem, carga = K × fios² / comprimento², " + Plural(b.tests, "ensaio", "ensaios") +
          " (mínimos quadrados pela origem):\n";
  if (!b.constant) {
    text += "  " + TooFew(b.tests, kFewestBucklingTests, "ensaios de flambagem") + ".\n";
  } else {
    text += "  K = " + Brief(*b.constant, 4) + " kgf·cm² (erro padrão " +
            Brief(*b.standardError, 4) + "; desvio dos ensaios em torno do ajuste " +
            Brief(*b.residual, 4) + " kgf)\n";
    text += "  K característico (5% inferior, ajuste normal das constantes dos ensaios): ";
    text += b.characteristic ? Brief(*b.characteristic, 4) + " kgf·cm²\n"
                             : std::string(
                                   "a dispersão o leva a zero ou abaixo: sem valor; a "
                                   "estimativa conservadora usa K\n");
    text += FarLines(b.far, "kgf·cm²");
  }
  text += "\nPeso de um fio, " + Plural(c.weight.weighings, "feixe pesado", "feixes pesados") +
          ": " +
          (c.weight.mean ? Brief(*c.weight.mean, 6) + " g/cm.\n"
                         : std::string("nenhum feixe foi pesado: o estudo usa o do quivor.\n"));
  return text;
}

std::string CalibrationPageHtml(const std::string& table, const std::vector<StrandTest>& tests,
                                const Calibration& c) {
  Markup page;
  page.Raw("<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n<title>")
      .Text("Ensaios do espaguete: " + table)
      .Raw(
          "</title>\n<style>\n"
          "body{font-family:system-ui,sans-serif;margin:1.5em auto;max-width:760px;padding:0 "
          "1em;color:#222}\n"
          "svg{width:100%;height:auto;border:1px solid #ccc;background:#fff}\n"
          "circle{fill:#1565c0}\n.far{fill:#fff;stroke:#c62828;stroke-width:2}\n"
          "pre{white-space:pre-wrap}\n.axis{stroke:#444;stroke-width:1}\n"
          ".fit{stroke:#c62828;stroke-width:1.5}\n.dashed{stroke-dasharray:6 4}\n"
          ".tick{font-size:12px;fill:#444}\n.label{font-size:13px;fill:#222}\n"
          "table{border-collapse:collapse;font-variant-numeric:tabular-nums}\n"
          "td,th{border-bottom:1px solid #ddd;padding:.2em .6em;text-align:right}\n"
          ".note{color:#555}\n"
          "</style>\n</head>\n<body>\n<h1>")
      .Text("Ensaios do espaguete: " + table)
      .Raw("</h1>\n<pre>")
      .Text(CalibrationReport(table, tests, c))
      .Raw("</pre>\n");

  const BucklingFit& b = c.buckling;
  std::vector<ChartPoint> buckling;
  for (const StrandTest& t : tests) {
    if (t.kind != TestKind::kBuckling || !t.length) continue;
    const double n = static_cast<double>(t.strands);
    buckling.push_back({(n * n) / (*t.length * *t.length), t.load, IsFar(b.far, t.line)});
  }
  page.Raw("<h2>Flambagem</h2>\n<p class=\"note\">")
      .Text(
          "Cada ponto é um ensaio: a carga em que o feixe flambou contra fios² / comprimento². "
          "Ensaios que concordam ficam perto da reta de K; a tracejada é o K característico. "
          "Um ensaio longe dos demais aparece vazado.")
      .Raw("</p>\n");
  if (!buckling.empty()) {
    std::vector<ChartLine> lines;
    if (b.constant) lines.push_back({*b.constant, 0.0, "K = " + Brief(*b.constant, 2), false});
    if (b.characteristic) {
      lines.push_back(
          {*b.characteristic, 0.0, "característico " + Brief(*b.characteristic, 2), true});
    }
    Chart(page, "fios² / comprimento² (1/cm²)", "carga (kgf)", buckling, lines, true);
  }

  const TensionFit& tf = c.tension;
  std::vector<ChartPoint> tension;
  for (const StrandTest& t : tests) {
    if (t.kind != TestKind::kTension) continue;
    tension.push_back({static_cast<double>(tension.size() + 1),
                       t.load / static_cast<double>(t.strands), IsFar(tf.far, t.line)});
  }
  page.Raw("<h2>Tração</h2>\n<p class=\"note\">")
      .Text(
          "Cada ponto é um ensaio, na ordem da tabela: a carga de ruptura por fio. A reta "
          "cheia é a média; a tracejada, o valor característico. Um ensaio longe dos demais "
          "aparece vazado.")
      .Raw("</p>\n");
  if (!tension.empty()) {
    std::vector<ChartLine> lines;
    if (tf.mean) lines.push_back({0.0, *tf.mean, "média " + Brief(*tf.mean, 3), false});
    if (tf.characteristic) {
      lines.push_back(
          {0.0, *tf.characteristic, "característico " + Brief(*tf.characteristic, 3), true});
    }
    Chart(page, "ensaio de tração", "kgf por fio", tension, lines, false);
  }

  page.Raw(
      "<h2>Os ensaios</h2>\n<table>\n<tr><th>Linha</th><th>Tipo</th><th>Fios</th>"
      "<th>Comprimento (cm)</th><th>Carga (kgf)</th><th>Peso (g)</th>"
      "<th>Comprimento do feixe (cm)</th></tr>\n");
  for (const StrandTest& t : tests) {
    page.Raw("<tr><td>")
        .Int(t.line)
        .Raw("</td><td>")
        .Raw(t.kind == TestKind::kTension ? "tração" : "flambagem")
        .Raw("</td><td>")
        .Int(t.strands)
        .Raw("</td><td>")
        .Text(Optional(t.length, 2))
        .Raw("</td><td>")
        .Text(Brief(t.load, 3))
        .Raw("</td><td>")
        .Text(Optional(t.weight, 3))
        .Raw("</td><td>")
        .Text(Optional(t.bundleLength, 2))
        .Raw("</td></tr>\n");
  }
  page.Raw("</table>\n</body>\n</html>\n");
  return std::move(page.str());
}

}  // namespace quivor::study
