// The template: the truss at full size on A4 sheets, printed from the page.
//
// Each sheet is an SVG whose viewBox is its window of the truss in cm and
// whose size is the same window in mm: one cm of the model is one cm on
// paper. The first sheet holds the instructions, a 10 cm test square and a
// map of the other sheets.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "page/page.hpp"
#include "page/page_parts.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::page {
namespace {

// Blank paper kept around the truss's nodes for their circles and labels.
constexpr double kTemplateMargin = 1.0;
// A4 (mm) less the page margins of the @page rule.
constexpr double kPageMargin = 10.0;
constexpr double kPaperShort = 210.0;
constexpr double kPaperLong = 297.0;

// The sheets along one direction for an extent of the truss and a window.
double SheetsAlong(double extent, double window) {
  if (extent <= window) return 1.0;
  // The tolerance keeps a truss that fits exactly from taking one more.
  return std::ceil((extent - kSheetOverlap) / (window - kSheetOverlap) - 1e-9);
}

// Where the template's sheets fall: the window of row 0 and column 0 in
// drawing units (y down), and the step between windows.
struct Layout {
  // The truss is at full size and has a node to draw: printable, if
  // perhaps on more than kMaxSheets sheets.
  bool drawable = false;
  SheetTiling tiling;
  double left = 0.0;
  double top = 0.0;
  double stepX() const { return tiling.windowWidth - kSheetOverlap; }
  double stepY() const { return tiling.windowHeight - kSheetOverlap; }
  double totalWidth() const { return tiling.columns * stepX() + kSheetOverlap; }
  double totalHeight() const { return tiling.rows * stepY() + kSheetOverlap; }
};

Layout LayOut(const PlacedTruss& truss) {
  Layout layout;
  layout.drawable = truss.fullSize() && truss.undrawnNodes < static_cast<int>(truss.nodes.size());
  const double width = truss.width + 2 * kTemplateMargin;
  const double height = truss.height + 2 * kTemplateMargin;
  layout.tiling = layout.drawable ? TileSheets(width, height)
                                  : TileSheets(std::numeric_limits<double>::infinity(), 0.0);
  if (layout.tiling.sheets() == 0) return layout;
  // The sheets centred on the truss.
  layout.left = -kTemplateMargin - (layout.totalWidth() - width) / 2;
  layout.top = -kTemplateMargin - (layout.totalHeight() - height) / 2;
  return layout;
}

std::string SheetsInWords(const SheetTiling& tiling) {
  const int sheets = tiling.sheets() + 1;
  return std::to_string(sheets) + " folhas A4 " +
         (tiling.landscape ? "deitadas (paisagem)" : "em pé (retrato)") + ": uma de instruções e " +
         (tiling.sheets() == 1
              ? std::string("uma com a treliça")
              : std::to_string(tiling.sheets()) + " com a treliça, em " +
                    std::to_string(tiling.rows) + (tiling.rows == 1 ? " linha" : " linhas") +
                    " de " + std::to_string(tiling.columns) +
                    (tiling.columns == 1 ? " coluna" : " colunas"));
}

class TemplateWriter {
 public:
  TemplateWriter(Markup& page, const std::string& modelName, const PlacedTruss& truss,
                 const study::Study& study)
      : page_(page), name_(modelName), truss_(truss), layout_(LayOut(truss)) {
    if (study.build && study.build->bars.size() == truss.bars.size()) build_ = &study.build->bars;
  }

  void Write() {
    page_.Raw("<div class=\"sheets\">\n");
    if (layout_.tiling.sheets() == 0) {
      WriteRefusal();
    } else {
      WriteCover();
      for (int row = 0; row < layout_.tiling.rows; ++row) {
        for (int column = 0; column < layout_.tiling.columns; ++column) WriteSheet(row, column);
      }
    }
    page_.Raw("</div>\n");
  }

 private:
  void WriteRefusal() {
    page_.Raw("<section class=\"sheet\"><h1>Sem gabarito</h1><p>");
    if (layout_.drawable) {
      page_.Raw("Em tamanho real, esta treliça precisaria de ")
          .Raw(Brief(layout_.tiling.sheetsNeeded, 0))
          .Raw(" folhas A4; o gabarito só é feito até ")
          .Int(kMaxSheets)
          .Raw(".");
    } else {
      page_.Raw("A treliça não tem um tamanho que se possa imprimir em tamanho real.");
    }
    page_.Raw("</p></section>\n");
  }

  // A rectangle of the drawing, in cm.
  struct Box {
    double left, top, right, bottom;
    bool Meets(const Box& other) const {
      return left <= other.right && other.left <= right && top <= other.bottom &&
             other.top <= bottom;
    }
  };

  static Box Around(double x, double y, double reach) {
    return {x - reach, y - reach, x + reach, y + reach};
  }
  Box Around(const PlacedTruss::Bar& bar, double reach) const {
    return {std::min(truss_.start(bar).x, truss_.end(bar).x) - reach,
            std::min(truss_.start(bar).y, truss_.end(bar).y) - reach,
            std::max(truss_.start(bar).x, truss_.end(bar).x) + reach,
            std::max(truss_.start(bar).y, truss_.end(bar).y) + reach};
  }

  // The parts of the truss that fall in `window`: bar centre lines, node
  // circles, their labels, and the marks that align neighbouring sheets.
  // Each sheet holds only its own, so that a large truss's many sheets do
  // not each carry the whole of it.
  void WriteWindow(const Box& window) {
    page_.Raw("<g class=\"td\">");
    WriteOverlapLines(window);
    page_.Raw("</g><g class=\"tb\">");
    for (const PlacedTruss::Bar& bar : truss_.bars) {
      if (truss_.drawn(bar) && Around(bar, 0.1).Meets(window)) Line(bar);
    }
    page_.Raw("</g><g class=\"tn\">");
    for (const PlacedTruss::Node& node : truss_.nodes) {
      if (!node.drawn || !Around(node.x, node.y, 0.4).Meets(window)) continue;
      page_.Raw("<circle cx=\"").Coord(node.x).Raw("\" cy=\"").Coord(node.y).Raw("\" r=\".35\"/>");
    }
    page_.Raw("</g><g class=\"tr\">");
    WriteCrosses(window);
    page_.Raw("</g><g class=\"tl\">");
    for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
      const PlacedTruss::Bar& bar = truss_.bars[j];
      if (!truss_.drawn(bar) || !Around(bar, 3.0).Meets(window)) continue;
      // Along the bar, just above its centre line, never upside down.
      double angle = std::atan2(truss_.end(bar).y - truss_.start(bar).y,
                                truss_.end(bar).x - truss_.start(bar).x) *
                     180.0 / 3.14159265358979323846;
      if (angle > 90.0) angle -= 180.0;
      if (angle <= -90.0) angle += 180.0;
      page_.Raw("<text transform=\"translate(")
          .Point((truss_.start(bar).x + truss_.end(bar).x) / 2,
                 (truss_.start(bar).y + truss_.end(bar).y) / 2)
          .Raw(") rotate(")
          .Coord(angle)
          .Raw(")\" y=\"-.12\">")
          .Int(bar.label);
      if (build_ != nullptr) page_.Raw(" · ").Int((*build_)[j].strands).Raw(" fios");
      page_.Raw("</text>");
    }
    page_.Raw("</g><g class=\"tt\">");
    for (const PlacedTruss::Node& node : truss_.nodes) {
      if (!node.drawn || !Around(node.x, node.y, 1.5).Meets(window)) continue;
      page_.Raw("<text x=\"")
          .Coord(node.x + 0.45)
          .Raw("\" y=\"")
          .Coord(node.y - 0.45)
          .Raw("\">")
          .Int(node.label)
          .Raw("</text>");
    }
    page_.Raw("</g>");
  }

  void Line(const PlacedTruss::Bar& bar) {
    page_.Raw("<line")
        .LineEnds(truss_.start(bar).x, truss_.start(bar).y, truss_.end(bar).x, truss_.end(bar).y)
        .Raw("/>");
  }

  // The middle lines of the strips that two sheets share, dashed.
  void WriteOverlapLines(const Box& window) {
    const SheetTiling& tiling = layout_.tiling;
    for (int column = 1; column < tiling.columns; ++column) {
      const double x = layout_.left + column * layout_.stepX() + kSheetOverlap / 2;
      if (x < window.left || x > window.right) continue;
      page_.Raw("<path d=\"M").Point(x, window.top).Raw("V").Coord(window.bottom).Raw("\"/>");
    }
    for (int row = 1; row < tiling.rows; ++row) {
      const double y = layout_.top + row * layout_.stepY() + kSheetOverlap / 2;
      if (y < window.top || y > window.bottom) continue;
      page_.Raw("<path d=\"M").Point(window.left, y).Raw("H").Coord(window.right).Raw("\"/>");
    }
  }

  // Crosses on those lines near both ends of each window they cross. Laid
  // one over the other, two sheets line up when their crosses do.
  void WriteCrosses(const Box& window) {
    const SheetTiling& tiling = layout_.tiling;
    const auto cross = [&](double x, double y) {
      if (Around(x, y, 0.6).Meets(window)) Cross(x, y);
    };
    for (int column = 1; column < tiling.columns; ++column) {
      const double x = layout_.left + column * layout_.stepX() + kSheetOverlap / 2;
      for (int row = 0; row < tiling.rows; ++row) {
        const double top = layout_.top + row * layout_.stepY();
        cross(x, top + 2.0);
        cross(x, top + tiling.windowHeight - 2.0);
      }
    }
    for (int row = 1; row < tiling.rows; ++row) {
      const double y = layout_.top + row * layout_.stepY() + kSheetOverlap / 2;
      for (int column = 0; column < tiling.columns; ++column) {
        const double left = layout_.left + column * layout_.stepX();
        cross(left + 2.0, y);
        cross(left + tiling.windowWidth - 2.0, y);
      }
    }
  }

  void Cross(double x, double y) {
    page_.Raw("<path d=\"M")
        .Point(x - 0.6, y)
        .Raw("H")
        .Coord(x + 0.6)
        .Raw("M")
        .Point(x, y - 0.6)
        .Raw("V")
        .Coord(y + 0.6)
        .Raw("\"/><circle cx=\"")
        .Coord(x)
        .Raw("\" cy=\"")
        .Coord(y)
        .Raw("\" r=\".3\"/>");
  }

  void WriteCover() {
    const SheetTiling& tiling = layout_.tiling;
    page_.Raw("<section class=\"sheet cover\"><h1>Gabarito de ")
        .Text(name_)
        .Raw(
            " em tamanho real</h1>\n<div class=\"cover-body\"><div class=\"cover-left\">"
            // The square's outer edges are 10 cm apart: its black frame
            // lies inside them.
            "<svg class=\"square\" width=\"100mm\" height=\"100mm\" viewBox=\"0 0 10 10\">"
            "<path class=\"frame\" d=\"M0 0H10V10H0ZM.05 .05V9.95H9.95V.05Z\"/><path "
            "class=\"ticks\" d=\"");
    for (int cm = 1; cm < 10; ++cm) {
      page_.Raw("M").Int(cm).Raw(" 9.95V").Raw(cm == 5 ? "9.35" : "9.6");
      page_.Raw("M.05 ").Int(cm).Raw("H").Raw(cm == 5 ? ".65" : ".4");
    }
    page_.Raw(
        "\"/><text x=\"5\" y=\"4.6\">10 cm × 10 cm</text><text x=\"5\" y=\"5.4\">"
        "meça de fora a fora</text></svg>\n");
    WriteMap();
    page_.Raw("</div><div class=\"cover-text\"><p>")
        .Raw(SheetsInWords(tiling))
        .Raw(
            ".</p><ol><li><b>Imprima com escala de 100%</b> (“tamanho real”; desligue “ajustar "
            "à página”), em papel A4, com as margens padrão.</li><li><b>Confira com uma régua"
            "</b> o quadrado desta folha: ele deve medir 10 cm por 10 cm, de fora a fora. Se "
            "não medir, a impressora mudou a escala: corrija a configuração e imprima de novo."
            "</li><li>Apare as folhas e sobreponha as vizinhas, como no mapa, até que as cruzes "
            "de alinhamento e as linhas tracejadas coincidam; prenda com fita.</li><li>Cada "
            "linha é o eixo de uma barra, com o seu número e quantos fios leva; cada círculo é "
            "um nó, com o seu número. Cole os fios sobre as linhas, com papel-manteiga ou "
            "plástico entre o gabarito e a cola.</li></ol><p class=\"small\">1 cm do modelo "
            "= 1 cm no papel. Janela de cada folha: ")
        .Raw(Brief(tiling.windowWidth, 1))
        .Raw(" cm × ")
        .Raw(Brief(tiling.windowHeight, 1))
        .Raw(" cm, com ")
        .Raw(Brief(kSheetOverlap, 1))
        .Raw(" cm de sobreposição entre vizinhas.</p></div></div></section>\n");
  }

  // The sheets as they lie over the truss, each named by its row and column.
  void WriteMap() {
    const double width = layout_.totalWidth();
    const double height = layout_.totalHeight();
    const double mmPerCm = std::min({90.0 / width, 55.0 / height, 10.0});
    page_.Raw("<p class=\"map-title\">Mapa das folhas</p><svg class=\"map\" width=\"")
        .Coord(width * mmPerCm)
        .Raw("mm\" height=\"")
        .Coord(height * mmPerCm)
        .Raw("mm\" viewBox=\"")
        .ViewBox(layout_.left, layout_.top, width, height)
        .Raw("\"><g class=\"mb\" stroke-width=\"")
        .Coord(0.4 / mmPerCm)
        .Raw("\">");
    for (const PlacedTruss::Bar& bar : truss_.bars) {
      if (truss_.drawn(bar)) Line(bar);
    }
    page_.Raw("</g><g class=\"mt\" stroke-width=\"")
        .Coord(0.3 / mmPerCm)
        .Raw("\" font-size=\"")
        .Coord(3.0 / mmPerCm)
        .Raw("\">");
    for (int row = 0; row < layout_.tiling.rows; ++row) {
      for (int column = 0; column < layout_.tiling.columns; ++column) {
        const double left = layout_.left + column * layout_.stepX();
        const double top = layout_.top + row * layout_.stepY();
        page_.Raw("<rect x=\"")
            .Coord(left)
            .Raw("\" y=\"")
            .Coord(top)
            .Raw("\" width=\"")
            .Coord(layout_.tiling.windowWidth)
            .Raw("\" height=\"")
            .Coord(layout_.tiling.windowHeight)
            .Raw("\"/><text x=\"")
            .Coord(left + layout_.tiling.windowWidth / 2)
            .Raw("\" y=\"")
            .Coord(top + layout_.tiling.windowHeight / 2)
            .Raw("\">L")
            .Int(row + 1)
            .Raw(" C")
            .Int(column + 1)
            .Raw("</text>");
      }
    }
    page_.Raw("</g></svg>\n");
  }

  void WriteSheet(int row, int column) {
    const SheetTiling& tiling = layout_.tiling;
    const double left = layout_.left + column * layout_.stepX();
    const double top = layout_.top + row * layout_.stepY();
    page_.Raw("<section class=\"sheet\"><p class=\"sheet-head\"><b>L")
        .Int(row + 1)
        .Raw(" C")
        .Int(column + 1)
        .Raw("</b> · linha ")
        .Int(row + 1)
        .Raw(" de ")
        .Int(tiling.rows)
        .Raw(", coluna ")
        .Int(column + 1)
        .Raw(" de ")
        .Int(tiling.columns)
        .Raw(" · folha ")
        .Int(2 + row * tiling.columns + column)
        .Raw(" de ")
        .Int(tiling.sheets() + 1)
        .Raw(" · ")
        .Text(name_)
        .Raw(" · tamanho real (1 cm = 1 cm)</p><svg class=\"tile\" width=\"")
        .Coord(tiling.windowWidth * 10.0)
        .Raw("mm\" height=\"")
        .Coord(tiling.windowHeight * 10.0)
        .Raw("mm\" viewBox=\"")
        .ViewBox(left, top, tiling.windowWidth, tiling.windowHeight)
        .Raw("\">");
    WriteWindow({left, top, left + tiling.windowWidth, top + tiling.windowHeight});
    page_.Raw("</svg></section>\n");
  }

  Markup& page_;
  const std::string& name_;
  const PlacedTruss& truss_;
  const Layout layout_;
  const std::vector<study::BuildBar>* build_ = nullptr;
};

}  // namespace

SheetTiling TileSheets(double width, double height) {
  SheetTiling tiling;
  tiling.sheetsNeeded = std::numeric_limits<double>::infinity();
  if (!(width >= 0.0 && height >= 0.0 && std::isfinite(width) && std::isfinite(height))) {
    return tiling;
  }
  const double portrait =
      SheetsAlong(width, kPortraitWindowWidth) * SheetsAlong(height, kPortraitWindowHeight);
  const double landscape =
      SheetsAlong(width, kLandscapeWindowWidth) * SheetsAlong(height, kLandscapeWindowHeight);
  tiling.landscape = landscape < portrait;
  tiling.windowWidth = tiling.landscape ? kLandscapeWindowWidth : kPortraitWindowWidth;
  tiling.windowHeight = tiling.landscape ? kLandscapeWindowHeight : kPortraitWindowHeight;
  tiling.sheetsNeeded = std::min(portrait, landscape);
  if (tiling.sheetsNeeded <= kMaxSheets) {
    tiling.columns = static_cast<int>(SheetsAlong(width, tiling.windowWidth));
    tiling.rows = static_cast<int>(SheetsAlong(height, tiling.windowHeight));
  }
  return tiling;
}

void AppendPrintStyle(Markup& page, const PlacedTruss& truss) {
  const bool landscape = LayOut(truss).tiling.landscape;
  // A sheet's block is 2 mm shorter than the page's printable height, so
  // that rounding never pushes it onto a page of its own.
  const double width = (landscape ? kPaperLong : kPaperShort) - 2 * kPageMargin;
  const double height = (landscape ? kPaperShort : kPaperLong) - 2 * kPageMargin - 2.0;
  page.Raw("<style>@page{size:A4 ")
      .Raw(landscape ? "landscape" : "portrait")
      .Raw(";margin:")
      .Coord(kPageMargin)
      .Raw("mm}.sheet{width:")
      .Coord(width)
      .Raw("mm;height:")
      .Coord(height)
      .Raw("mm}</style>\n");
}

void AppendPrintHelp(Markup& page, const PlacedTruss& truss) {
  const Layout layout = LayOut(truss);
  const SheetTiling& tiling = layout.tiling;
  page.Raw("<section id=\"imprimir\"><h2>Gabarito em tamanho real</h2>\n");
  if (tiling.sheets() == 0) {
    page.Raw("<p>Esta treliça não cabe num gabarito impresso: ");
    if (layout.drawable) {
      page.Raw("precisaria de ").Raw(Brief(tiling.sheetsNeeded, 0)).Raw(" folhas A4.</p>");
    } else {
      page.Raw("ela não tem um tamanho que se possa imprimir.</p>");
    }
    page.Raw("</section>\n");
    return;
  }
  page.Raw(
          "<p>Impressa pelo navegador, esta página não sai como aparece na tela: sai o "
          "gabarito para montar a ponte, a treliça em tamanho real (1 cm do modelo = 1 cm no "
          "papel), em ")
      .Raw(SheetsInWords(tiling))
      .Raw(
          ".</p>\n<details><summary>Como imprimir o gabarito</summary><ol><li>Tecle Ctrl+P "
          "(ou ⌘P) ou use o botão abaixo.</li><li>Escolha papel A4 e <b>escala 100%</b> "
          "(“tamanho real”); desligue “ajustar à página” e deixe as margens no padrão. A "
          "orientação já vem escolhida.</li><li>Na primeira folha, meça com uma régua o quadrado "
          "de teste: 10 cm por 10 cm, de fora a fora. Se não medir isso, a escala não está em "
          "100%.</li><li>Sobreponha as folhas como mostra o mapa da primeira, até as cruzes de "
          "alinhamento coincidirem, e prenda com fita.</li></ol></details>\n<p><button "
          "type=\"button\" onclick=\"window.print()\">Imprimir o gabarito</button></p>"
          "</section>\n");
}

void AppendTemplate(Markup& page, const std::string& modelName, const PlacedTruss& truss,
                    const study::Study& study) {
  TemplateWriter(page, modelName, truss, study).Write();
}

}  // namespace quivor::page
