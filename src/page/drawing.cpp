// The drawing for the screen: the truss to scale, fitted to the page width.
//
// Each view is an SVG in drawing units (cm at full size) whose marks (text,
// node circles, supports, arrows) are sized from the view's own font size,
// chosen so that the text shows at about 12 px when the view fills a page
// of about 1100 x 700 px; strokes are in screen pixels (non-scaling).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "page/page.hpp"
#include "page/page_parts.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::page {
namespace {

using study::BuildBar;
using study::CaseCollapse;
using study::Mechanism;
using study::Study;

// The boxes and circles a label must keep off, found by the cells of a
// square grid they touch; a box wider than many cells is kept aside and
// checked every time.
class ClearanceGrid {
 public:
  explicit ClearanceGrid(double cell) : cell_(std::isfinite(cell) && cell > 0.0 ? cell : 1.0) {}

  void Add(const LabelBox& box) { Add({box, false, 0.0, 0.0, 0.0}); }
  void Add(const LabelCircle& c) {
    Add({{c.x - c.r, c.y - c.r, c.x + c.r, c.y + c.r}, true, c.x, c.y, c.r});
  }

  // Whether `box` overlaps anything added (touching is clear).
  bool Hits(const LabelBox& box) const {
    for (const std::size_t i : wide_) {
      if (Overlaps(items_[i], box)) return true;
    }
    const Span s = SpanOf(box);
    if (s.wide) {
      for (const Item& item : items_) {
        if (Overlaps(item, box)) return true;
      }
      return false;
    }
    for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
      for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) {
        const auto found = cells_.find({cx, cy});
        if (found == cells_.end()) continue;
        for (const std::size_t i : found->second) {
          if (Overlaps(items_[i], box)) return true;
        }
      }
    }
    return false;
  }

 private:
  struct Item {
    LabelBox box;
    bool circle;
    double x, y, r;
  };
  struct Span {
    std::int64_t x0, y0, x1, y1;
    bool wide;
  };
  static constexpr std::int64_t kWide = 16;

  static bool Overlaps(const Item& item, const LabelBox& box) {
    const LabelBox& a = item.box;
    if (!(a.left < box.right && box.left < a.right && a.top < box.bottom && box.top < a.bottom)) {
      return false;
    }
    if (!item.circle) return true;
    // The point of the box nearest the circle's centre.
    const double nx = std::clamp(item.x, box.left, box.right);
    const double ny = std::clamp(item.y, box.top, box.bottom);
    return std::hypot(nx - item.x, ny - item.y) < item.r;
  }

  std::int64_t CellOf(double v) const {
    const double cell = std::floor(v / cell_);
    if (std::isnan(cell)) return 0;
    return static_cast<std::int64_t>(std::clamp(cell, -1e12, 1e12));
  }

  Span SpanOf(const LabelBox& box) const {
    const Span s{CellOf(box.left), CellOf(box.top), CellOf(box.right), CellOf(box.bottom), false};
    return {s.x0, s.y0, s.x1, s.y1, s.x1 - s.x0 > kWide || s.y1 - s.y0 > kWide};
  }

  void Add(const Item& item) {
    const std::size_t index = items_.size();
    items_.push_back(item);
    const Span s = SpanOf(item.box);
    if (s.wide) {
      wide_.push_back(index);
      return;
    }
    for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
      for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) cells_[{cx, cy}].push_back(index);
    }
  }

  double cell_;
  std::vector<Item> items_;
  std::vector<std::size_t> wide_;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::size_t>> cells_;
};

// Views beyond these are left to the tables (a model may have thousands of
// load cases, a truss with no bars thousands of mechanisms).
// Two views are the bridge's and its earlier shape's.
constexpr std::size_t kCaseViews = kMaxViews - 2;
constexpr std::size_t kMechanismViews = kMaxViews - 2;
// Above these counts few labels would find room, and the page would carry
// the rest for nothing; the bars and nodes keep theirs in their hover text.
constexpr std::size_t kLabelledBars = 400;
constexpr std::size_t kLabelledNodes = 400;

// A node's circle, in fonts, and the gap a label keeps from it.
constexpr double kNodeRadius = 0.32;
constexpr double kNodeGap = 0.06;
// A label's box, in ems of its font: as tall as the text's line with a
// margin, and as wide as its characters in the widest of the common
// sans-serif faces (DejaVu Sans Bold: digits 0,70 em), with a margin.
constexpr double kLabelHeight = 1.3;
double LabelEms(std::string_view text) {
  double width = 0.3;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;  // within a character
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xB7) {
      width += 0.4;  // the middle dot
    } else if (std::string_view(",. fijlt").find(static_cast<char>(c)) != std::string_view::npos) {
      width += 0.45;
    } else {
      width += 0.72;
    }
  }
  return width;
}

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
      views.push_back({"vista-ponte", "Treliça a construir", nullptr, nullptr, true});
      if (earlier != nullptr) {
        views.push_back(
            {"vista-antes", std::string(kEarlierViewTab), nullptr, nullptr, true, &truss_});
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
        DrawingWriter writer(page_, earlier->model, earlier->truss, earlier->study);
        writer.hoverShown_ = hoverShown_;
        writer.WriteView(view);
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

    PlanLabels(view, moveX, moveY);
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
    if (view.loadCase != nullptr) WriteLoads();
    // The bars' labels over the nodes': one shown while the mouse is over
    // its bar comes on top.
    WriteNodeLabels();
    WriteBarLabels();
    WriteHoverStyle();
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
      if (study_.build && study_.bridge) {
        page_.Raw(", a ponte pesava ").Raw(study::Decimal(study_.bridge->weight, 2));
        page_.Raw(" g (cada treliça, ").Raw(study::Decimal(study_.build->weight, 2)).Raw(" g)");
      }
      if (study_.bridge && study_.bridge->collapseLoad) {
        page_.Raw(" e a sua carga de colapso estimada era de ")
            .Raw(study::Decimal(*study_.bridge->collapseLoad, 2))
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
    page_.Raw(" Passe o mouse sobre uma barra para ver os seus dados");
    if (std::any_of(placed_.begin(), placed_.end(),
                    [](const PlacedLabel& label) { return label.growths == 0; })) {
      page_.Raw(
          "; o rótulo que não coube no desenho aparece ao passar o mouse sobre a sua barra, "
          "o seu nó ou a sua carga");
    }
    page_.Raw(".</p>\n");
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
          .Coord(kNodeRadius * marks_.font)
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
          .Coord(kNodeRadius * marks_.font)
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

  // Whether a support is drawn at the node: towards (gx, gy), on rollers
  // when it holds only that direction.
  bool SupportOf(const PlacedTruss::Node& node, double& gx, double& gy, bool& roller) const {
    if (!node.drawn || !node.supported || (!node.heldX && !node.heldY)) return false;
    if (node.heldY) {
      gx = 0.0;
      gy = 1.0;
      roller = !node.heldX;
    } else {
      // A roller against a wall, on the truss's nearer side.
      gx = node.x < truss_.width / 2 ? -1.0 : 1.0;
      gy = 0.0;
      roller = true;
    }
    return true;
  }

  void WriteSupports() {
    page_.Raw("<g>");
    for (const PlacedTruss::Node& node : truss_.nodes) {
      double gx = 0.0, gy = 0.0;
      bool roller = false;
      if (SupportOf(node, gx, gy, roller)) WriteSupport(node, gx, gy, roller);
    }
    page_.Raw("</g>\n");
  }

  void WriteLoads() {
    const double f = marks_.font;
    page_.Raw("<g>");
    for (std::size_t k = 0; k < arrows_.size(); ++k) {
      const Arrow& a = arrows_[k];
      const double neckX = a.tipX - a.ux * 0.9 * f, neckY = a.tipY - a.uy * 0.9 * f;
      page_.Raw("<path class=\"load\" data-load=\"")
          .Int(static_cast<long long>(k))
          .Raw("\" d=\"M")
          .Point(a.tailX, a.tailY)
          .Raw("L")
          .Point(neckX, neckY)
          .Raw("M")
          .Point(a.tipX, a.tipY)
          .Raw("L")
          .Point(neckX - a.uy * 0.38 * f, neckY + a.ux * 0.38 * f)
          .Raw("L")
          .Point(neckX + a.uy * 0.38 * f, neckY - a.ux * 0.38 * f)
          .Raw("Z\"><title>Carga de ")
          .Raw(a.text)
          .Raw(" no nó ")
          .Int(a.node)
          .Raw("</title></path><text class=\"ll");
      WriteLabelPlace(loadLabel_[k], true);
      page_.Raw(" data-load=\"").Int(static_cast<long long>(k)).Raw("\">").Raw(a.text);
      page_.Raw("</text>");
    }
    page_.Raw("</g>\n");
  }

  void WriteBarLabels() {
    if (truss_.bars.size() > kLabelledBars) return;
    page_.Raw("<g class=\"bl\">");
    for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
      const PlacedTruss::Bar& bar = truss_.bars[j];
      if (!truss_.drawn(bar)) continue;
      page_.Raw("<text");
      WriteLabelPlace(barLabel_[j], false);
      page_.Raw(" data-bar=\"").Int(bar.label).Raw("\">").Int(bar.label);
      if (strands_) page_.Raw("<tspan class=\"sn\">·").Int((*build_)[j].strands).Raw("</tspan>");
      page_.Raw("</text>");
    }
    page_.Raw("</g>\n");
  }

  void WriteNodeLabels() {
    if (truss_.nodes.size() > kLabelledNodes) return;
    page_.Raw("<g class=\"nl\">");
    for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
      const PlacedTruss::Node& node = truss_.nodes[i];
      if (!node.drawn) continue;
      page_.Raw("<text");
      WriteLabelPlace(nodeLabel_[i], false);
      page_.Raw(" data-node=\"").Int(node.label).Raw("\">").Int(node.label).Raw("</text>");
    }
    page_.Raw("</g>\n");
  }

  // The class that hides a label, if any (added to the class attribute
  // being written, `open`, which this closes), and its place.
  void WriteLabelPlace(int spot, bool open) {
    const PlacedLabel& placed = placed_[static_cast<std::size_t>(spot)];
    if (placed.growths < static_cast<int>(kLabelGrowth.size())) {
      page_.Raw(open ? " " : " class=\"");
      if (placed.growths == 0) {
        page_.Raw("h");
      } else {
        page_.Raw("u").Int(placed.growths);
      }
      if (!open) page_.Raw("\"");
    }
    if (open) page_.Raw("\"");
    const LabelSpot& label = spots_[static_cast<std::size_t>(spot)];
    // A label with no room shows, on hover, at its first place.
    const LabelSpot::Place& at = label.places[static_cast<std::size_t>(std::max(placed.place, 0))];
    page_.Raw(" x=\"").Coord(at.x).Raw("\" y=\"").Coord(at.y).Raw("\"");
    if (at.dx != 0.0) page_.Raw(" dx=\"").Coord(at.dx).Raw("em\"");
    if (at.dy != 0.0) page_.Raw(" dy=\"").Coord(at.dy).Raw("em\"");
  }

  // The rules that show a hidden label while the mouse is over its bar,
  // node or arrow, for the labels no earlier view of the page needed.
  void WriteHoverStyle() {
    std::vector<std::string> rules;
    const auto need = [&](int spot, const char* mark, const char* attribute, long long key) {
      if (spot < 0 || placed_[static_cast<std::size_t>(spot)].growths ==
                          static_cast<int>(kLabelGrowth.size())) {
        return;
      }
      const std::string selector =
          std::string("[") + attribute + "=\"" + std::to_string(key) + "\"]";
      std::string rule = ".drawing:has(" + std::string(mark) + selector + ":hover) text" + selector;
      if (hoverShown_->insert(rule).second) rules.push_back(std::move(rule));
    };
    for (std::size_t k = 0; k < arrows_.size(); ++k) {
      need(loadLabel_[k], "path", "data-load", static_cast<long long>(k));
    }
    for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
      need(nodeLabel_[i], "circle", "data-node", truss_.nodes[i].label);
    }
    for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
      need(barLabel_[j], "line", "data-bar", truss_.bars[j].label);
    }
    if (rules.empty()) return;
    page_.Raw("<style>");
    for (std::size_t r = 0; r < rules.size(); ++r) page_.Raw(r == 0 ? "" : ",").Raw(rules[r]);
    page_.Raw("{display:inline}</style>\n");
  }

  // The view's labels, placed before anything is written: the loads'
  // values first, then the nodes' numbers, then the bars'; clear of the
  // nodes (and where a mechanism moves them), the supports and the arrows.
  void PlanLabels(const View& view, const std::vector<double>& moveX,
                  const std::vector<double>& moveY) {
    const double f = marks_.font;
    strands_ = view.build && build_ != nullptr;
    spots_.clear();
    arrows_.clear();
    loadLabel_.clear();
    nodeLabel_.assign(truss_.nodes.size(), -1);
    barLabel_.assign(truss_.bars.size(), -1);
    LabelMarks marks;
    const double circle = (kNodeRadius + kNodeGap) * f;
    for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
      const PlacedTruss::Node& node = truss_.nodes[i];
      if (!node.drawn) continue;
      marks.circles.push_back({node.x, node.y, circle});
      if (!moveX.empty() && (moveX[i] != 0.0 || moveY[i] != 0.0)) {
        marks.circles.push_back({node.x + moveX[i], node.y + moveY[i], circle});
      }
      double gx = 0.0, gy = 0.0;
      bool roller = false;
      if (!SupportOf(node, gx, gy, roller)) continue;
      // The triangle's upper half, then its base, ground and rollers (see
      // WriteSupport).
      const auto box = [&](double near, double far, double half) {
        const double x1 = node.x + gx * near, x2 = node.x + gx * far;
        const double y1 = node.y + gy * near, y2 = node.y + gy * far;
        const double across = half * (gx == 0.0 ? 1.0 : 0.0), down = half * (gy == 0.0 ? 1.0 : 0.0);
        marks.boxes.push_back({std::min(x1, x2) - across, std::min(y1, y2) - down,
                               std::max(x1, x2) + across, std::max(y1, y2) + down});
      };
      box(kNodeRadius * f, 0.9 * f, 0.6 * f);
      box(0.9 * f, 2.8 * f, 1.7 * f);
    }
    if (view.loadCase != nullptr) {
      for (const study::NodeLoad& load : view.loadCase->loads) {
        const int i = truss_.IndexOfLabel(model_, load.node);
        const double size = std::hypot(load.fx, load.fy);
        if (i < 0 || !truss_.nodes[static_cast<std::size_t>(i)].drawn || !std::isfinite(size) ||
            size == 0.0) {
          continue;
        }
        const PlacedTruss::Node& node = truss_.nodes[static_cast<std::size_t>(i)];
        // The force pulls the node: its arrow starts there and points along
        // the force (drawing coordinates, y down), its value beyond the tip.
        Arrow a;
        a.node = load.node;
        a.ux = load.fx / size;
        a.uy = -load.fy / size;
        a.tailX = node.x + a.ux * 0.45 * f;
        a.tailY = node.y + a.uy * 0.45 * f;
        a.tipX = a.tailX + a.ux * 4.0 * f;
        a.tipY = a.tailY + a.uy * 4.0 * f;
        a.text = Brief(size, 2) + " kgf";
        // The shaft and head, as wide as the head, not beyond the tip.
        const double acrossX = 0.4 * f * std::abs(a.uy), acrossY = 0.4 * f * std::abs(a.ux);
        marks.boxes.push_back(
            {std::min(a.tailX, a.tipX) - acrossX, std::min(a.tailY, a.tipY) - acrossY,
             std::max(a.tailX, a.tipX) + acrossX, std::max(a.tailY, a.tipY) + acrossY});
        const double width = LabelEms(a.text);
        // Along the arrow until the box is past the arrow's box across or down.
        const double ax = std::abs(a.ux), ay = std::abs(a.uy);
        const double beyond =
            std::min(ax > 1e-9 ? (width / 2 + 0.2 + 0.4 * ay) / ax : HUGE_VAL,
                     ay > 1e-9 ? (kLabelHeight / 2 + 0.1 + 0.4 * ax) / ay : HUGE_VAL);
        loadLabel_.push_back(static_cast<int>(spots_.size()));
        spots_.push_back(
            {width, kLabelHeight, f, {{a.tipX, a.tipY, a.ux * beyond, a.uy * beyond}}});
        arrows_.push_back(std::move(a));
      }
    }
    if (truss_.nodes.size() <= kLabelledNodes) {
      // Which way each node's bars go, up or down on the whole.
      std::vector<double> reach(truss_.nodes.size(), 0.0);
      for (const PlacedTruss::Bar& bar : truss_.bars) {
        if (!truss_.drawn(bar)) continue;
        const double dy = truss_.end(bar).y - truss_.start(bar).y;
        reach[static_cast<std::size_t>(bar.start)] += dy;
        reach[static_cast<std::size_t>(bar.end)] -= dy;
      }
      for (std::size_t i = 0; i < truss_.nodes.size(); ++i) {
        const PlacedTruss::Node& node = truss_.nodes[i];
        if (!node.drawn) continue;
        const double width = LabelEms(std::to_string(node.label));
        const double w = width / 2, h = kLabelHeight / 2;
        // Off the node's circle: beside it, or by a corner, which may come
        // nearer the centre; first on the side away from its bars (for a
        // node whose bars go level, away from the truss's middle).
        const double side = kNodeRadius + kNodeGap + 0.02, corner = 0.3;
        const double level = 1e-9 * std::max(truss_.width, truss_.height);
        const double out = reach[i] > level             ? -1.0
                           : reach[i] < -level          ? 1.0
                           : node.y > truss_.height / 2 ? 1.0
                                                        : -1.0;
        nodeLabel_[i] = static_cast<int>(spots_.size());
        spots_.push_back({width,
                          kLabelHeight,
                          f,
                          {{node.x, node.y, corner + w, out * (corner + h)},
                           {node.x, node.y, -(corner + w), out * (corner + h)},
                           {node.x, node.y, 0.0, out * (side + h)},
                           {node.x, node.y, side + w, 0.0},
                           {node.x, node.y, -(side + w), 0.0},
                           {node.x, node.y, corner + w, -out * (corner + h)},
                           {node.x, node.y, -(corner + w), -out * (corner + h)},
                           {node.x, node.y, 0.0, -out * (side + h)}}});
      }
    }
    if (truss_.bars.size() <= kLabelledBars) {
      for (std::size_t j = 0; j < truss_.bars.size(); ++j) {
        const PlacedTruss::Bar& bar = truss_.bars[j];
        if (!truss_.drawn(bar)) continue;
        std::string text = std::to_string(bar.label);
        if (strands_) text += "·" + std::to_string((*build_)[j].strands);
        // Along the bar, from its middle out.
        LabelSpot spot{LabelEms(text), kLabelHeight, 0.9 * f, {}};
        for (const double t : {0.5, 0.38, 0.62, 0.27, 0.73}) {
          spot.places.push_back(
              {truss_.start(bar).x + t * (truss_.end(bar).x - truss_.start(bar).x),
               truss_.start(bar).y + t * (truss_.end(bar).y - truss_.start(bar).y)});
        }
        barLabel_[j] = static_cast<int>(spots_.size());
        spots_.push_back(std::move(spot));
      }
    }
    placed_ = PlaceLabels(spots_, marks);
  }

  Markup& page_;
  const Model& model_;
  const PlacedTruss& truss_;
  const Study& study_;
  const std::vector<BuildBar>* build_ = nullptr;
  Marks marks_{};
  // The view's labels (PlanLabels): where each goes, and which is whose.
  struct Arrow {
    int node;
    double ux, uy, tailX, tailY, tipX, tipY;
    std::string text;
  };
  bool strands_ = false;  // the bars' labels give their strands
  std::vector<Arrow> arrows_;
  std::vector<LabelSpot> spots_;
  std::vector<PlacedLabel> placed_;
  std::vector<int> loadLabel_, nodeLabel_, barLabel_;  // indices into spots_; -1 for none
  // The hover rules written so far, in any view of the page.
  std::set<std::string> hoverRules_;
  std::set<std::string>* hoverShown_ = &hoverRules_;
};

}  // namespace

LabelBox LabelBoxAt(const LabelSpot& label, const LabelSpot::Place& place, double growth) {
  const double em = growth * label.em;
  const double x = place.x + place.dx * em;
  const double y = place.y + place.dy * em;
  return {x - label.width * em / 2, y - label.height * em / 2, x + label.width * em / 2,
          y + label.height * em / 2};
}

std::vector<PlacedLabel> PlaceLabels(const std::vector<LabelSpot>& labels,
                                     const LabelMarks& marks) {
  std::vector<PlacedLabel> placed(labels.size());
  double largest = 0.0;  // the largest side of a label's box at a growth of 1
  for (const LabelSpot& label : labels) {
    largest = std::max({largest, label.width * label.em, label.height * label.em});
  }
  for (std::size_t g = 0; g < kLabelGrowth.size(); ++g) {
    const double growth = kLabelGrowth[g];
    ClearanceGrid clear(growth * largest);
    for (const LabelBox& box : marks.boxes) clear.Add(box);
    for (const LabelCircle& circle : marks.circles) clear.Add(circle);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const LabelSpot& label = labels[i];
      PlacedLabel& at = placed[i];
      if (g == 0) {
        for (std::size_t p = 0; p < label.places.size(); ++p) {
          const LabelBox box = LabelBoxAt(label, label.places[p], growth);
          if (clear.Hits(box)) continue;
          at = {static_cast<int>(p), 1};
          clear.Add(box);
          break;
        }
      } else if (at.growths == static_cast<int>(g)) {
        // Every growth from the one before to this: each side of the box
        // moves steadily with the growth, so the box stays within these.
        const LabelSpot::Place& place = label.places[static_cast<std::size_t>(at.place)];
        const LabelBox from = LabelBoxAt(label, place, kLabelGrowth[g - 1]);
        const LabelBox to = LabelBoxAt(label, place, growth);
        const LabelBox box{std::min(from.left, to.left), std::min(from.top, to.top),
                           std::max(from.right, to.right), std::max(from.bottom, to.bottom)};
        if (clear.Hits(box)) continue;
        at.growths += 1;
        clear.Add(box);
      }
    }
  }
  return placed;
}

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

void AppendLabelStyle(Markup& page) {
  // The labels are no targets of the mouse: the marks under them are.
  page.Raw("<style>.drawing text{pointer-events:none}\n.drawing text.h");
  for (std::size_t grow = 1; grow < kLabelGrowth.size(); ++grow) {
    for (std::size_t k = 1; k <= grow; ++k) {
      page.Raw(",.drawing[data-grow=\"")
          .Int(static_cast<long long>(grow))
          .Raw("\"] text.u")
          .Int(static_cast<long long>(k));
    }
  }
  page.Raw("{display:none}</style>\n");
}

void AppendDrawing(Markup& page, const Model& model, const PlacedTruss& truss,
                   const study::Study& study, const EarlierShape* earlier) {
  DrawingWriter(page, model, truss, study).Write(earlier);
}

}  // namespace quivor::page
