// The drawing for the screen: the truss to scale, fitted to the page width.
//
// Each view is an SVG in drawing units (cm at full size) whose marks (text,
// node circles, supports, arrows) are sized from the view's own font size,
// chosen so that the text shows at about 12 px when the view fills a page
// of about 1100 x 700 px; strokes are in screen pixels (non-scaling).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "page/page_parts.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::page {
namespace {

using study::BuildBar;
using study::CaseCollapse;
using study::Mechanism;
using study::Study;

// Views beyond these are left to the tables (a model may have thousands of
// load cases, a truss with no bars thousands of mechanisms).
// Two views are the bridge's and its earlier shape's.
constexpr std::size_t kCaseViews = kMaxViews - 2;
constexpr std::size_t kMechanismViews = kMaxViews - 2;
// Above these counts the labels would only blot the drawing out; the bars
// and nodes keep theirs in their hover text.
constexpr std::size_t kLabelledBars = 400;
constexpr std::size_t kLabelledNodes = 400;

// The marks of one view, in drawing units.
struct Marks {
  double font;
  double pad;  // around the drawing, for the supports, arrows and their text
  double left;
  double top;
  double width;
  double height;
};

// The view of a box of `width` x `height` drawing units starting at
// (left, top): the font makes 13 px of a 1000 x 650 px view; the padding is
// 7 fonts, so that the font is that of the padded box (7 x 2 x 13 = 182 px).
Marks ViewMarks(double left, double top, double width, double height) {
  const double font = std::max({13.0 * width / (1000.0 - 182.0), 13.0 * height / (650.0 - 182.0),
                                width == 0.0 && height == 0.0 ? 1.0 : 0.0});
  const double pad = 7.0 * font;
  return {font, pad, left - pad, top - pad, width + 2 * pad, height + 2 * pad};
}

// The stroke width class of a bundle: its diameter grows with the square
// root of the strands.
int WidthClass(std::int32_t strands) {
  const double root = std::sqrt(static_cast<double>(std::max<std::int32_t>(strands, 1)));
  return static_cast<int>(std::clamp(std::round(root), 1.0, 8.0));
}

// What a view shows besides the truss.
struct View {
  std::string id;   // the view's element id
  std::string tab;  // the name on its tab
  const CaseCollapse* loadCase = nullptr;
  const Mechanism* mechanism = nullptr;
  bool build = false;  // the bridge to build: strands on the bars
  // The bridge in another shape, drawn as an outline behind this one.
  const PlacedTruss* outline = nullptr;
};

class DrawingWriter {
 public:
  DrawingWriter(Markup& page, const Model& model, const PlacedTruss& truss, const Study& study)
      : page_(page), model_(model), truss_(truss), study_(study) {
    if (study.build && study.build->bars.size() == truss.bars.size()) build_ = &study.build->bars;
  }

  // `earlier`: the bridge before its shape changed, given a view of its own.
  void Write(const EarlierShape* earlier) {
    std::vector<View> views;
    if (study_.stable) {
      views.push_back({"vista-ponte", "Ponte a construir", nullptr, nullptr, true});
      if (earlier != nullptr) {
        views.push_back({"vista-antes", "Antes da otimização", nullptr, nullptr, true, &truss_});
      }
      for (std::size_t i = 0; i < study_.cases.size() && i < kCaseViews; ++i) {
        const CaseCollapse& c = study_.cases[i];
        views.push_back(
            {"vista-caso-" + std::to_string(c.loadCase), "Caso " + std::to_string(c.loadCase), &c});
      }
    } else {
      for (std::size_t i = 0; i < study_.mechanisms.size() && i < kMechanismViews; ++i) {
        views.push_back({"vista-mecanismo-" + std::to_string(i + 1),
                         "Mecanismo " + std::to_string(i + 1), nullptr, &study_.mechanisms[i]});
      }
      if (views.empty()) views.push_back({"vista-trelica", "Treliça"});
    }

    page_.Raw("<section id=\"desenho\"><h2>Desenho</h2>\n");
    if (truss_.undrawnNodes == static_cast<int>(truss_.nodes.size())) {
      page_.Raw(
          "<p class=\"note\">Nenhum nó tem coordenadas que sejam números finitos: "
          "não há o que desenhar.</p></section>\n");
      return;
    }
    // The view switch: radio buttons and their labels, then the views, all
    // siblings and in the same order, so that the style sheet shows the
    // view of the checked button (AppendViewSwitchStyle).
    page_.Raw("<div class=\"views\">\n");
    for (std::size_t i = 0; i < views.size(); ++i) {
      page_.Raw("<input type=\"radio\" name=\"vista\" id=\"r-").Raw(views[i].id).Raw("\"");
      if (i == 0) page_.Raw(" checked");
      page_.Raw("><label for=\"r-").Raw(views[i].id).Raw("\">").Text(views[i].tab).Raw("</label>");
    }
    page_.Raw("\n");
    for (const View& view : views) {
      if (view.outline != nullptr) {
        DrawingWriter(page_, earlier->model, earlier->truss, earlier->study).WriteView(view);
      } else {
        WriteView(view);
      }
    }
    page_.Raw("</div>\n");
    if (study_.stable && study_.cases.size() > kCaseViews) {
      page_.Raw("<p class=\"note\">Desenhados os primeiros ")
          .Int(static_cast<long long>(kCaseViews))
          .Raw(" casos de carga; os demais estão na tabela do colapso.</p>\n");
    }
    if (!study_.stable && study_.mechanisms.size() > kMechanismViews) {
      page_.Raw("<p class=\"note\">Desenhados os primeiros ")
          .Int(static_cast<long long>(kMechanismViews))
          .Raw(" mecanismos; todos estão na lista abaixo.</p>\n");
    }
    if (truss_.undrawnNodes > 0) {
      page_.Raw("<p class=\"note\">")
          .Int(truss_.undrawnNodes)
          .Raw(truss_.undrawnNodes == 1 ? " nó não foi desenhado" : " nós não foram desenhados")
          .Raw(": suas coordenadas não são números finitos.</p>\n");
    }
    if (!truss_.fullSize()) {
      page_.Raw("<p class=\"note\">A treliça está longe do tamanho de uma ponte: o desenho foi ")
          .Raw(truss_.scale < 1.0 ? "reduzido" : "ampliado")
          .Raw(" para caber na página.</p>\n");
    }
    page_.Raw("</section>\n");
  }

 private:
  void WriteView(const View& view) {
    // The displaced truss of a mechanism.
    std::vector<double> moveX, moveY;
    if (view.mechanism != nullptr) Displace(*view.mechanism, moveX, moveY);
    // The box of the frame, and of the nodes where they may leave it: those
    // displaced along a mechanism, or this truss in the outline's frame.
    double left = 0.0, top = 0.0, right = truss_.width, bottom = truss_.height;
    if (view.mechanism != nullptr || view.outline != nullptr) {
      for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
        if (!truss_.nodes[i].drawn) continue;
        const double x = moveX.empty() ? truss_.nodes[i].x : truss_.nodes[i].x + moveX[i];
        const double y = moveY.empty() ? truss_.nodes[i].y : truss_.nodes[i].y + moveY[i];
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    marks_ = ViewMarks(left, top, right - left, bottom - top);

    page_.Raw("<div class=\"view\" id=\"").Raw(view.id).Raw("\">");
    WriteCaption(view);
    page_.Raw("<svg class=\"drawing\" viewBox=\"")
        .ViewBox(marks_.left, marks_.top, marks_.width, marks_.height)
        .Raw("\" font-size=\"")
        .Coord(marks_.font)
        .Raw("\" role=\"img\" aria-label=\"")
        .Text(view.tab)
        .Raw("\">\n");
    WriteSupports();
    if (view.outline != nullptr) WriteOutline(*view.outline);
    WriteBars(view);
    WriteNodes(view.mechanism);
    if (view.mechanism != nullptr) WriteDisplaced(moveX, moveY);
    if (view.loadCase != nullptr) WriteLoads(*view.loadCase);
    WriteBarLabels(view);
    WriteNodeLabels();
    page_.Raw("</svg></div>\n");
  }

  void WriteCaption(const View& view) {
    page_.Raw("<p class=\"caption\">");
    if (view.mechanism != nullptr) {
      std::string text = study::MechanismText(*view.mechanism);
      if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
      page_.Text(text).Raw(
          ". Em cinza tracejado, a treliça como está; em laranja, deslocada ao longo do "
          "mecanismo (deslocamento exagerado), com os nós que se movem marcados.");
    } else if (view.loadCase != nullptr) {
      const CaseCollapse& c = *view.loadCase;
      page_.Raw("Caso ").Int(c.loadCase).Raw(": carga resultante de ").Raw(Brief(c.load, 2));
      page_.Raw(
          " kgf. <span class=\"key t\">tração</span> <span class=\"key c\">compressão"
          "</span> <span class=\"key z\">força nula</span>");
      if (c.collapseLoad && c.bar && c.mode) {
        page_.Raw(" Colapso a ")
            .Raw(study::Decimal(*c.collapseLoad, 2))
            .Raw(" kgf: a barra ")
            .Int(*c.bar)
            .Raw(*c.mode == study::FailureMode::kTension ? " rompe por tração." : " flamba.");
      }
    } else if (view.outline != nullptr) {
      page_.Raw("Antes da otimização");
      if (study_.build) {
        page_.Raw(", a ponte a construir pesava ").Raw(study::Decimal(study_.build->weight, 2));
        page_.Raw(" g");
      }
      if (study_.collapse) {
        page_.Raw(" e a carga de colapso estimada era de ")
            .Raw(study::Decimal(study_.collapse->load, 2))
            .Raw(" kgf");
      }
      page_.Raw(
          ". Cada barra com o seu número e, depois do ponto, quantos fios levava; em laranja "
          "tracejado, a forma otimizada.");
    } else if (view.build) {
      page_.Raw(
          "Cada barra com o seu número e, depois do ponto, quantos fios leva; a espessura "
          "cresce com os fios.");
    } else {
      page_.Raw("A treliça como o modelo a descreve.");
    }
    page_.Raw(" Passe o mouse sobre uma barra para ver os seus dados.</p>\n");
  }

  // Each node's displacement along the mechanism, drawn as a fraction of
  // the truss's size (its components are at most 1 in size).
  void Displace(const Mechanism& mechanism, std::vector<double>& moveX,
                std::vector<double>& moveY) const {
    moveX.assign(truss_.nodes.size(), 0.0);
    moveY.assign(truss_.nodes.size(), 0.0);
    const double size = std::max({truss_.width, truss_.height, 10.0});
    const double reach = 0.12 * size;
    for (const study::NodeMotion& motion : mechanism.motion) {
      const int i = truss_.IndexOfLabel(model_, motion.node);
      if (i < 0 || !std::isfinite(motion.dx) || !std::isfinite(motion.dy)) continue;
      moveX[static_cast<std::size_t>(i)] = std::clamp(motion.dx, -1.0, 1.0) * reach;
      moveY[static_cast<std::size_t>(i)] = -std::clamp(motion.dy, -1.0, 1.0) * reach;
    }
  }

  // The bars, coloured by their forces in a load case's view; under a
  // mechanism's displaced truss, the truss as it stands in grey dashes.
  void WriteBars(const View& view) {
    const bool ghost = view.mechanism != nullptr;
    // Forces of a size below this share of the largest are rounding: zero.
    const std::vector<double>* forces = nullptr;
    double zero = 0.0;
    if (view.loadCase != nullptr && view.loadCase->barForces.size() == truss_.bars.size()) {
      forces = &view.loadCase->barForces;
      double largest = 0.0;
      for (double force : *forces) {
        if (std::isfinite(force)) largest = std::max(largest, std::abs(force));
      }
      zero = 1e-9 * largest;
    }
    page_.Raw("<g>");
    for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
      const PlacedTruss::Bar& bar = truss_.bars[j];
      if (!truss_.drawn(bar)) continue;
      page_.Raw("<line class=\"");
      if (ghost) {
        page_.Raw("bar ghost");
      } else {
        page_.Raw("bar ");
        if (forces == nullptr) {
          page_.Raw("k");
        } else {
          const double force = (*forces)[j];
          page_.Raw(force > zero ? "t" : force < -zero ? "c" : "z");
        }
        page_.Raw(" w").Int(build_ != nullptr ? WidthClass((*build_)[j].strands) : 2);
      }
      page_.Raw("\" data-bar=\"")
          .Int(bar.label)
          .Raw("\"")
          .LineEnds(truss_.start(bar).x, truss_.start(bar).y, truss_.end(bar).x, truss_.end(bar).y)
          .Raw("><title>");
      WriteBarTitle(j, forces);
      page_.Raw("</title></line>");
    }
    page_.Raw("</g>\n");
  }

  void WriteBarTitle(std::size_t j, const std::vector<double>* forces) {
    const PlacedTruss::Bar& bar = truss_.bars[j];
    page_.Raw("Barra ").Int(bar.label).Raw(" (nós ").Int(bar.startLabel).Raw(" e ");
    page_.Int(bar.endLabel).Raw("): ");
    if (build_ == nullptr) {
      const double length = std::hypot(truss_.start(bar).x - truss_.end(bar).x,
                                       truss_.start(bar).y - truss_.end(bar).y) /
                            truss_.scale;
      page_.Raw(study::Decimal(length, 2)).Raw(" cm");
      return;
    }
    const BuildBar& built = (*build_)[j];
    page_.Raw(study::Decimal(built.length, 2)).Raw(" cm, ").Int(built.strands).Raw(" fios");
    if (forces != nullptr) {
      const double force = (*forces)[j];
      page_.Raw("; força ").Raw(study::Decimal(force, 2)).Raw(" kgf");
      if (force > 0.0) {
        page_.Raw(" (tração); rompe a ").Raw(study::Decimal(built.tensionCapacity, 2));
        page_.Raw(" kgf");
      } else if (force < 0.0) {
        page_.Raw(" (compressão); flamba a ").Raw(study::Decimal(built.bucklingCapacity, 2));
        page_.Raw(" kgf");
      }
    } else {
      page_.Raw(" (caso ").Int(built.loadCase).Raw("), ");
      page_.Raw(study::Decimal(built.weight, 2)).Raw(" g; rompe por tração a ");
      page_.Raw(study::Decimal(built.tensionCapacity, 2)).Raw(" kgf, flamba a ");
      page_.Raw(study::Decimal(built.bucklingCapacity, 2)).Raw(" kgf");
    }
  }

  void WriteNodes(const Mechanism* mechanism) {
    std::vector<char> moving;
    if (mechanism != nullptr) {
      moving.assign(truss_.nodes.size(), 0);
      for (const study::NodeMotion& motion : mechanism->motion) {
        const int i = truss_.IndexOfLabel(model_, motion.node);
        if (i >= 0) moving[static_cast<std::size_t>(i)] = 1;
      }
    }
    page_.Raw("<g>");
    for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
      const PlacedTruss::Node& node = truss_.nodes[i];
      if (!node.drawn) continue;
      page_.Raw(!moving.empty() && moving[i] != 0 ? "<circle class=\"node moving\""
                                                  : "<circle class=\"node\"");
      page_.Raw(" data-node=\"")
          .Int(node.label)
          .Raw("\" cx=\"")
          .Coord(node.x)
          .Raw("\" cy=\"")
          .Coord(node.y)
          .Raw("\" r=\"")
          .Coord(0.32 * marks_.font)
          .Raw("\"><title>Nó ")
          .Int(node.label)
          .Raw(": x = ")
          .Raw(study::ShortestDecimal(model_.nodeCoord(static_cast<int>(i) + 1, 1)))
          .Raw(" cm, y = ")
          .Raw(study::ShortestDecimal(model_.nodeCoord(static_cast<int>(i) + 1, 2)))
          .Raw(" cm</title></circle>");
    }
    page_.Raw("</g>\n");
  }

  // Another shape of the bridge, behind this one.
  void WriteOutline(const PlacedTruss& outline) {
    page_.Raw("<g>");
    for (const PlacedTruss::Bar& bar : outline.bars) {
      if (!outline.drawn(bar)) continue;
      page_.Raw("<line class=\"outline\"")
          .LineEnds(outline.start(bar).x, outline.start(bar).y, outline.end(bar).x,
                    outline.end(bar).y)
          .Raw("/>");
    }
    page_.Raw("</g>\n");
  }

  void WriteDisplaced(const std::vector<double>& moveX, const std::vector<double>& moveY) {
    page_.Raw("<g class=\"displaced\">");
    for (const PlacedTruss::Bar& bar : truss_.bars) {
      if (!truss_.drawn(bar)) continue;
      const auto a = static_cast<std::size_t>(bar.start);
      const auto b = static_cast<std::size_t>(bar.end);
      page_.Raw("<line class=\"moved\"")
          .LineEnds(truss_.start(bar).x + moveX[a], truss_.start(bar).y + moveY[a],
                    truss_.end(bar).x + moveX[b], truss_.end(bar).y + moveY[b])
          .Raw("/>");
    }
    for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
      const PlacedTruss::Node& node = truss_.nodes[i];
      if (!node.drawn || (moveX[i] == 0.0 && moveY[i] == 0.0)) continue;
      page_.Raw("<path class=\"track\" d=\"M")
          .Point(node.x, node.y)
          .Raw("L")
          .Point(node.x + moveX[i], node.y + moveY[i])
          .Raw("\"/><circle class=\"mover\" cx=\"")
          .Coord(node.x + moveX[i])
          .Raw("\" cy=\"")
          .Coord(node.y + moveY[i])
          .Raw("\" r=\"")
          .Coord(0.32 * marks_.font)
          .Raw("\"/>");
    }
    page_.Raw("</g>\n");
  }

  // A support: a triangle from the node towards the ground (`gx`, `gy`, a
  // unit vector), on rollers when it holds only that direction.
  void WriteSupport(const PlacedTruss::Node& node, double gx, double gy, bool roller) {
    const double f = marks_.font;
    const double h = 1.8 * f;  // the triangle's height
    const double a = 1.1 * f;  // half its base
    // A point `along` towards the ground and `across` it from the node.
    const auto at = [&](double along, double across) {
      page_.Point(node.x + gx * along - gy * across, node.y + gy * along + gx * across);
    };
    page_.Raw("<path class=\"support\" d=\"M");
    at(0, 0);
    page_.Raw("L");
    at(h, -a);
    page_.Raw("L");
    at(h, a);
    page_.Raw("Z\"/>");
    const double ground = roller ? h + 0.6 * f : h;
    page_.Raw("<path class=\"ground\" d=\"M");
    at(ground, -1.5 * a);
    page_.Raw("L");
    at(ground, 1.5 * a);
    for (int k = 0; k < 4; ++k) {
      const double across = -1.2 * a + 0.75 * a * k;
      page_.Raw("M");
      at(ground, across);
      page_.Raw("L");
      at(ground + 0.4 * f, across - 0.4 * f);
    }
    page_.Raw("\"/>");
    if (roller) {
      for (double across : {-0.5 * a, 0.5 * a}) {
        page_.Raw("<circle class=\"support\" cx=\"")
            .Coord(node.x + gx * (h + 0.3 * f) - gy * across)
            .Raw("\" cy=\"")
            .Coord(node.y + gy * (h + 0.3 * f) + gx * across)
            .Raw("\" r=\"")
            .Coord(0.3 * f)
            .Raw("\"/>");
      }
    }
  }

  void WriteSupports() {
    page_.Raw("<g>");
    for (const PlacedTruss::Node& node : truss_.nodes) {
      if (!node.drawn || !node.supported) continue;
      if (node.heldY) {
        WriteSupport(node, 0.0, 1.0, !node.heldX);
      } else if (node.heldX) {
        // A roller against a wall, on the truss's nearer side.
        WriteSupport(node, node.x < truss_.width / 2 ? -1.0 : 1.0, 0.0, true);
      }
    }
    page_.Raw("</g>\n");
  }

  void WriteLoads(const CaseCollapse& c) {
    const double f = marks_.font;
    const double length = 4.0 * f;
    page_.Raw("<g>");
    for (const study::NodeLoad& load : c.loads) {
      const int i = truss_.IndexOfLabel(model_, load.node);
      const double size = std::hypot(load.fx, load.fy);
      if (i < 0 || !truss_.nodes[static_cast<std::size_t>(i)].drawn || !std::isfinite(size) ||
          size == 0.0) {
        continue;
      }
      const PlacedTruss::Node& node = truss_.nodes[static_cast<std::size_t>(i)];
      // The force pulls the node: its arrow starts there and points along
      // the force (drawing coordinates, y down), its value beyond the tip.
      const double ux = load.fx / size;
      const double uy = -load.fy / size;
      const double tailX = node.x + ux * 0.45 * f, tailY = node.y + uy * 0.45 * f;
      const double tipX = tailX + ux * length, tipY = tailY + uy * length;
      const double neckX = tipX - ux * 0.9 * f, neckY = tipY - uy * 0.9 * f;
      page_.Raw("<path class=\"load\" d=\"M")
          .Point(tailX, tailY)
          .Raw("L")
          .Point(neckX, neckY)
          .Raw("M")
          .Point(tipX, tipY)
          .Raw("L")
          .Point(neckX - uy * 0.38 * f, neckY + ux * 0.38 * f)
          .Raw("L")
          .Point(neckX + uy * 0.38 * f, neckY - ux * 0.38 * f)
          .Raw("Z\"/><text class=\"ll\" x=\"")
          .Coord(tipX + ux * 1.6 * f)
          .Raw("\" y=\"")
          .Coord(tipY + uy * 0.9 * f)
          .Raw("\">")
          .Raw(Brief(size, 2))
          .Raw(" kgf</text>");
    }
    page_.Raw("</g>\n");
  }

  void WriteBarLabels(const View& view) {
    if (truss_.bars.size() > kLabelledBars) return;
    const bool strands = view.build && build_ != nullptr;
    page_.Raw("<g class=\"bl\">");
    for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
      const PlacedTruss::Bar& bar = truss_.bars[j];
      if (!truss_.drawn(bar)) continue;
      page_.Raw("<text x=\"")
          .Coord((truss_.start(bar).x + truss_.end(bar).x) / 2)
          .Raw("\" y=\"")
          .Coord((truss_.start(bar).y + truss_.end(bar).y) / 2)
          .Raw("\">")
          .Int(bar.label);
      if (strands) page_.Raw("<tspan class=\"sn\">·").Int((*build_)[j].strands).Raw("</tspan>");
      page_.Raw("</text>");
    }
    page_.Raw("</g>\n");
  }

  void WriteNodeLabels() {
    if (truss_.nodes.size() > kLabelledNodes) return;
    const double f = marks_.font;
    page_.Raw("<g class=\"nl\">");
    for (const PlacedTruss::Node& node : truss_.nodes) {
      if (!node.drawn) continue;
      page_.Raw("<text x=\"")
          .Coord(node.x + 0.35 * f)
          .Raw("\" y=\"")
          .Coord(node.y - 0.45 * f)
          .Raw("\">")
          .Int(node.label)
          .Raw("</text>");
    }
    page_.Raw("</g>\n");
  }

  Markup& page_;
  const Model& model_;
  const PlacedTruss& truss_;
  const Study& study_;
  const std::vector<BuildBar>* build_ = nullptr;
  Marks marks_{};
};

}  // namespace

void AppendViewSwitchStyle(Markup& page) {
  page.Raw("<style>.view{display:none}");
  for (std::size_t k = 1; k <= kMaxViews; ++k) {
    page.Raw(k == 1 ? "" : ",")
        .Raw(".views>input:nth-of-type(")
        .Int(static_cast<long long>(k))
        .Raw("):checked~.view:nth-of-type(")
        .Int(static_cast<long long>(k))
        .Raw(")");
  }
  page.Raw("{display:block}</style>\n");
}

void AppendDrawing(Markup& page, const Model& model, const PlacedTruss& truss,
                   const study::Study& study, const EarlierShape* earlier) {
  DrawingWriter(page, model, truss, study).Write(earlier);
}

}  // namespace quivor::page
