// The page as text: the template's tiling, one drawn element per bar and per
// node, the labels' placing, escaping, the mechanism's displaced drawing,
// hostile models. How it
// looks and prints is checked in a real browser (browser_test.py).
#include "page/page.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "analysis/truss_builder.hpp"
#include "page/markup.hpp"
#include "page/page_parts.hpp"
#include "study_output/portuguese.hpp"

namespace quivor::page {
namespace {

using test::TrussBuilder;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Tiling, FewestSheetsInOneOrientation) {
  const struct {
    double width, height;
    bool landscape;
    int columns, rows;
  } cases[] = {
      {10, 10, false, 1, 1},   // fits either way: portrait
      {18, 26, false, 1, 1},   // a portrait window exactly
      {27, 17, true, 1, 1},    // a landscape window exactly
      {102, 17, true, 4, 1},   // the bundled 1 m Pratt with its margins
      {102, 18, false, 6, 1},  // 1 cm taller: two landscape rows, 8 > 6
      {40, 40, false, 3, 2},   // 6 sheets either way
      {152, 32, true, 6, 2},   // a 1,5 m bridge 30 cm tall
      {0, 0, false, 1, 1},     // a truss of one point
      {2000, 17, true, 0, 0},  // 77 sheets, beyond kMaxSheets: no template
  };
  for (const auto& c : cases) {
    const SheetTiling tiling = TileSheets(c.width, c.height);
    EXPECT_EQ(tiling.landscape, c.landscape) << c.width << " x " << c.height;
    EXPECT_EQ(tiling.columns, c.columns) << c.width << " x " << c.height;
    EXPECT_EQ(tiling.rows, c.rows) << c.width << " x " << c.height;
  }
  EXPECT_EQ(TileSheets(2000, 17).sheetsNeeded, 77);
  for (const double bad : {kNaN, kInf, -1.0}) {
    EXPECT_EQ(TileSheets(bad, 10).sheets(), 0);
    EXPECT_EQ(TileSheets(10, bad).sheets(), 0);
  }
}

TEST(Tiling, WindowsCoverTheAreaAndNoSheetIsSpare) {
  for (double width = 0.5; width < 200; width += 3.7) {
    for (double height = 0.5; height < 90; height += 2.9) {
      const SheetTiling t = TileSheets(width, height);
      if (t.sheets() == 0) continue;
      const double step = kSheetOverlap;
      EXPECT_GE(t.columns * (t.windowWidth - step) + step, width);
      // One sheet fewer would leave part uncovered.
      EXPECT_TRUE(t.columns == 1 || (t.columns - 1) * (t.windowWidth - step) + step < width);
      EXPECT_GE(t.rows * (t.windowHeight - step) + step, height);
      EXPECT_TRUE(t.rows == 1 || (t.rows - 1) * (t.windowHeight - step) + step < height);
    }
  }
}

TEST(Markup, CoordinatesAndText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{12.5, "12.5"}, {100, "100"}, {-0.001, "0"}, {-3.456, "-3.46"},
               {0.1, "0.1"},   {kNaN, "0"},  {-kInf, "0"}};
  for (const auto& c : cases) {
    Markup markup;
    markup.Coord(c.value);
    EXPECT_EQ(markup.str(), c.text) << c.value;
  }
  EXPECT_EQ(Escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
}

bool Overlap(const LabelBox& a, const LabelBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Overlap(const LabelBox& a, const LabelCircle& c) {
  const double x = std::clamp(c.x, a.left, a.right), y = std::clamp(c.y, a.top, a.bottom);
  return std::hypot(x - c.x, y - c.y) < c.r;
}

// A label of `width` x 1 ems of 1 unit at the places (x, y) or (x, y, dx, dy).
LabelSpot Spot(double width, std::vector<LabelSpot::Place> places) {
  return {width, 1.0, 1.0, std::move(places)};
}

TEST(Labels, EachTakesItsFirstClearPlace) {
  const int all = static_cast<int>(kLabelGrowth.size());
  const struct {
    const char* what;
    std::vector<LabelSpot> labels;
    LabelMarks marks;
    std::vector<PlacedLabel> placed;
  } cases[] = {
      {"the second on the first: its next place",
       {Spot(2, {{0, 0}}), Spot(2, {{0, 0}, {0, 0, 0, 1.5}})},
       {},
       {{0, all}, {1, all}}},
      {"boxes that touch are clear",
       {Spot(2, {{0, 0}}), Spot(2, {{2, 0}})},
       {},
       {{0, all}, {0, 1}}},
      {"every place on a node: hidden",
       {Spot(1, {{0, 0}, {3, 0}})},
       {{}, {{0, 0, 0.5}, {3.2, 0.4, 0.5}}},
       {{-1, 0}}},
      {"a circle by a corner, clear of the box though not of its square",
       {Spot(1, {{0, 0}})},
       {{}, {{0.9, 0.9, 0.5}}},
       {{0, 1}}},
      {"on a box", {Spot(1, {{0, 0}, {5, 0}})}, {{{-1, -1, 1, 1}}, {}}, {{1, all}}},
      // 3 ems apart, 2 wide: clear up to a growth of 1,5.
      {"shown while the font grows no more than the gap allows",
       {Spot(2, {{0, 0}}), Spot(2, {{3, 0}})},
       {},
       {{0, all}, {0, 2}}},
      // An offset in ems grows with the font and keeps the label off.
      {"an offset grows with the font",
       {Spot(1, {{0, 0, 1.5, 0}})},
       {{}, {{0, 0, 0.9}}},
       {{0, all}}},
  };
  for (const auto& c : cases) {
    const std::vector<PlacedLabel> placed = PlaceLabels(c.labels, c.marks);
    ASSERT_EQ(placed.size(), c.placed.size()) << c.what;
    for (std::size_t i = 0; i < placed.size(); ++i) {
      EXPECT_EQ(placed[i].place, c.placed[i].place) << c.what << ", label " << i;
      EXPECT_EQ(placed[i].growths, c.placed[i].growths) << c.what << ", label " << i;
    }
  }
}

// Many labels crowded over many marks: at every growth the script may
// choose, the labels shown there are clear of each other and of the marks.
TEST(Labels, ShownLabelsAreClearAtEveryGrowth) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> at(0.0, 40.0), offset(-2.0, 2.0), width(0.5, 5.0);
  for (int round = 0; round < 20; ++round) {
    LabelMarks marks;
    for (int k = 0; k < 30; ++k) marks.circles.push_back({at(random), at(random), 0.4});
    for (int k = 0; k < 5; ++k) {
      const double x = at(random), y = at(random);
      marks.boxes.push_back({x, y, x + width(random), y + 0.3});
    }
    std::vector<LabelSpot> labels;
    for (int k = 0; k < 120; ++k) {
      LabelSpot label{width(random), 1.3, 1.0 + round * 0.05, {}};
      for (int p = 0; p < 4; ++p) {
        label.places.push_back({at(random), at(random), offset(random), offset(random)});
      }
      labels.push_back(label);
    }
    const std::vector<PlacedLabel> placed = PlaceLabels(labels, marks);
    ASSERT_EQ(placed.size(), labels.size());
    EXPECT_EQ(PlaceLabels(labels, marks).front().place, placed.front().place);
    int shown = 0;
    // The factors of the list, and growths between one and the one before,
    // where the labels shown are those of the larger.
    std::vector<std::pair<double, std::size_t>> growths{{1.0, 0}};
    for (std::size_t g = 1; g < kLabelGrowth.size(); ++g) {
      for (const double part : {0.1, 0.5, 0.9, 1.0}) {
        growths.push_back(
            {kLabelGrowth[g - 1] + part * (kLabelGrowth[g] - kLabelGrowth[g - 1]), g});
      }
    }
    for (const auto& [growth, g] : growths) {
      std::vector<LabelBox> boxes;
      for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(placed[i].place < 0, placed[i].growths == 0);
        if (placed[i].growths <= static_cast<int>(g)) continue;
        const LabelBox box = LabelBoxAt(
            labels[i], labels[i].places[static_cast<std::size_t>(placed[i].place)], growth);
        for (const LabelBox& other : boxes) {
          EXPECT_FALSE(Overlap(box, other)) << round << ", label " << i << ", growth " << growth;
        }
        for (const LabelBox& mark : marks.boxes) EXPECT_FALSE(Overlap(box, mark)) << round;
        for (const LabelCircle& mark : marks.circles) EXPECT_FALSE(Overlap(box, mark)) << round;
        boxes.push_back(box);
      }
      if (g == 0) shown += static_cast<int>(boxes.size());
    }
    // Crowded, but not so much that none finds room.
    EXPECT_GT(shown, 10) << round;
    EXPECT_LT(shown, 120) << round;
  }
}

// The README's triangle, and the square without a diagonal that folds.
TrussBuilder Triangle(double apex = 15) {
  TrussBuilder truss(2);
  truss.Node(1, 0, 0).Node(2, 40, 0).Node(3, 20, apex);
  truss.Bar(1, 1, 2).Bar(2, 1, 3).Bar(3, 2, 3).Support(1, 0, 0).Support(2, 1, 0);
  truss.Load(1, 3, 0, -5).Load(2, 3, 2, -5).SafetyFactors(2, 3);
  return truss;
}

TrussBuilder Square() {
  TrussBuilder truss(1);
  truss.Node(1, 0, 0).Node(2, 30, 0).Node(3, 30, 30).Node(4, 0, 30);
  truss.Bar(1, 1, 2).Bar(2, 2, 3).Bar(3, 3, 4).Bar(4, 4, 1).Support(1, 0, 0).Support(2, 1, 0);
  truss.Load(1, 3, 0, -5).SafetyFactors(2, 3);
  return truss;
}

std::string Page(const TrussBuilder& truss, const std::string& name = "t",
                 PageOptions options = {}) {
  Model model = truss.Build();
  const study::Study study = study::StudyModel(model, {});
  return PageHtml(name, model, study, options);
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// The markup of one view of the drawing.
std::string View(const std::string& page, const std::string& id) {
  const auto start = page.find("<div class=\"view\" id=\"" + id + "\"");
  if (start == std::string::npos) return {};
  return page.substr(start, page.find("</svg>", start) - start);
}

TEST(Page, EveryViewDrawsEachBarAndNodeOnce) {
  const std::string page = Page(Triangle());
  for (const char* id : {"vista-ponte", "vista-caso-1", "vista-caso-2"}) {
    const std::string view = View(page, id);
    EXPECT_EQ(Count(view, "<line class=\"bar "), 3u) << id;
    EXPECT_EQ(Count(view, "<circle class=\"node"), 3u) << id;
  }
  // Case 1: two sides in compression, the base in tension, one arrow.
  EXPECT_EQ(Count(View(page, "vista-caso-1"), "bar c "), 2u);
  EXPECT_EQ(Count(View(page, "vista-caso-1"), "bar t "), 1u);
  EXPECT_EQ(Count(View(page, "vista-caso-1"), "class=\"load\""), 1u);
  // The template of a 40 x 15 cm triangle (42 x 17 with its margins): the
  // cover and 2 landscape sheets, each SVG 10 mm to its cm.
  EXPECT_NE(page.find("@page{size:A4 landscape"), std::string::npos);
  EXPECT_EQ(Count(page, "<svg class=\"tile\" width=\"270mm\" height=\"170mm\" viewBox="), 2u);
  EXPECT_EQ(Count(page, "width=\"100mm\" height=\"100mm\" viewBox=\"0 0 10 10\""), 1u);
  EXPECT_EQ(page.find("location.reload"), std::string::npos);
}

TEST(Page, TheHeaderGivesTheBridgeAndEachTrussBesideIt) {
  // Three triangles of 49,43 g (49,428 g) with 1 g of glue at each of their
  // 3 nodes, and 20 g more: 148,28 + 9 + 20 g.
  Model model = Triangle().Build();
  study::StudyOptions options;
  options.trusses = 3;
  options.glue = 1.0;
  options.extraWeight = 20.0;
  const study::Study study = study::StudyModel(model, options);
  const std::string page = PageHtml("t", model, study, {});
  const std::string header = page.substr(0, page.find("</header>"));
  for (const std::string& figure : std::vector<std::string>{
           "<span>Peso da ponte</span><b>177,28 g</b>", "<small>cada treliça: 49,43 g</small>",
           "<small>148,28 g das 3 treliças, 9,00 g de cola e 20,00 g de peso extra</small>",
           "<span>Carga de colapso da ponte</span><b>" +
               study::Decimal(3 * study.collapse->load, 2),
           "cada treliça: " + study::Decimal(study.collapse->load, 2) + " kgf (caso ",
           "A ponte: 3 treliças iguais à do modelo, lado a lado, cada uma com 1/3 da carga."}) {
    EXPECT_NE(header.find(figure), std::string::npos) << figure;
  }
  // The pieces to cut are the three trusses': the base's 3 strands and the
  // sides' 21 and 24, three times over.
  for (const char* row : {"<td class=\"n\">40,00 (emenda)</td><td class=\"n\">9</td>",
                          "<td class=\"n\">25,00</td><td class=\"n\">135</td>"}) {
    EXPECT_NE(page.find(row), std::string::npos) << row;
  }
  EXPECT_NE(page.find("<p>" + std::to_string(study.bridge->wholeStrands) + " fios inteiros"),
            std::string::npos);
}

TEST(Page, MechanismIsDrawnDisplacedOverTheTrussAsItStands) {
  const std::string page = Page(Square());
  EXPECT_EQ(page.find("vista-ponte"), std::string::npos);
  const std::string view = View(page, "vista-mecanismo-1");
  EXPECT_EQ(Count(view, "<line class=\"bar ghost\""), 4u);
  EXPECT_EQ(Count(view, "<line class=\"moved\""), 4u);
  // Nodes 3 and 4 move, 1 and 2 are held.
  EXPECT_EQ(Count(view, "<circle class=\"node moving\""), 2u);
  EXPECT_EQ(Count(view, "<circle class=\"mover\""), 2u);
  EXPECT_NE(page.find("A treliça é um mecanismo"), std::string::npos);
}

TEST(Page, EarlierShapeIsDrawnInTheNewShapesFrame) {
  // The triangle's apex raised from 15 to 25 cm: the earlier shape's view
  // comes second, drawn over the outline of the new one, both measured from
  // the new apex.
  Model now = Triangle(25).Build();
  Model earlier = Triangle().Build();
  const study::Study nowStudy = study::StudyModel(now, {});
  const study::Study earlierStudy = study::StudyModel(earlier, {});
  PageOptions options;
  options.earlierModel = &earlier;
  options.earlierStudy = &earlierStudy;
  const std::string page = PageHtml("t", now, nowStudy, options);
  const auto at = [&](const char* id) { return page.find("id=\"r-" + std::string(id) + "\""); };
  EXPECT_LT(at("vista-ponte"), at("vista-antes"));
  EXPECT_LT(at("vista-antes"), at("vista-caso-1"));

  const std::string view = View(page, "vista-antes");
  EXPECT_EQ(Count(view, "<line class=\"bar k w"), 3u);
  EXPECT_EQ(Count(view, " x2=\"20\" y2=\"0\"/>"), 2u);  // to the new apex
  EXPECT_NE(view.find("data-node=\"3\" cx=\"20\" cy=\"10\""), std::string::npos);
  EXPECT_NE(view.find("data-node=\"1\" cx=\"0\" cy=\"25\""), std::string::npos);
  EXPECT_NE(view.find("a ponte pesava " + study::Decimal(earlierStudy.bridge->weight, 2) +
                      " g (cada treliça, " + study::Decimal(earlierStudy.build->weight, 2) + " g)"),
            std::string::npos);
  // Its strands on the bars, as in the new shape's view.
  EXPECT_EQ(Count(view, "<tspan class=\"sn\">"), 3u);
  EXPECT_EQ(Count(View(page, "vista-ponte"), "class=\"outline\""), 0u);
  EXPECT_EQ(Page(Triangle()).find("vista-antes"), std::string::npos);
}

// A Pratt bridge of `panels` panels 2,5 cm wide and 15 cm tall: nodes
// 1..panels+1 along the deck, then those above them.
TrussBuilder Pratt(int panels) {
  TrussBuilder truss(1);
  const int top = panels + 1;
  for (int i = 0; i <= panels; ++i) truss.Node(1 + i, 2.5 * i, 0).Node(1 + top + i, 2.5 * i, 15);
  int bar = 0;
  for (int i = 0; i < panels; ++i) {
    truss.Bar(++bar, 1 + i, 2 + i);
    truss.Bar(++bar, 1 + top + i, 2 + top + i);
    // The diagonals fall towards the middle.
    if (2 * i < panels) {
      truss.Bar(++bar, 1 + top + i, 2 + i);
    } else {
      truss.Bar(++bar, 1 + i, 2 + top + i);
    }
  }
  for (int i = 0; i <= panels; ++i) truss.Bar(++bar, 1 + i, 1 + top + i);
  truss.Support(1, 0, 0).Support(1 + panels, 1, 0).Load(1, 1 + panels / 2, 0, -5);
  return truss.SafetyFactors(2, 3);
}

TEST(Page, CrowdedLabelsHideAndShowOnHover) {
  const std::string page = Page(Pratt(40));
  const std::string view = View(page, "vista-ponte");
  const std::string bars = view.substr(view.find("<g class=\"bl\">"));
  // Every bar keeps its label, some hidden; a hidden one shows while the
  // mouse is over its bar.
  EXPECT_EQ(Count(bars, "<text"), 40u * 3 + 41);
  EXPECT_GT(Count(bars, "<text class=\"h\""), 10u);
  EXPECT_LT(Count(bars, "<text class=\"h\""), 40u * 3 + 41 - 20);
  const auto hidden = bars.find("<text class=\"h\" ");
  ASSERT_NE(hidden, std::string::npos);
  const auto key = bars.find("data-bar=", hidden);
  const std::string bar = bars.substr(key, bars.find('"', key + 10) - key + 1);
  EXPECT_NE(page.find(".drawing:has(line[" + bar + "]:hover) text[" + bar + "]"), std::string::npos)
      << bar;
  EXPECT_NE(view.find("não coube no desenho"), std::string::npos);
  // The triangle's labels all find room.
  const std::string triangle = Page(Triangle());
  for (const char* mark : {"<text class=\"h\"", "<text class=\"ll h\""}) {
    EXPECT_EQ(triangle.find(mark), std::string::npos) << View(triangle, "vista-caso-2");
  }
  EXPECT_EQ(triangle.find("não coube"), std::string::npos) << View(triangle, "vista-caso-2");
}

TEST(Page, TextsAreEscaped) {
  const std::string page = Page(Triangle(), "a<b>&\"c");
  EXPECT_EQ(page.find("a<b>"), std::string::npos);
  EXPECT_NE(page.find("<h1>a&lt;b&gt;&amp;&quot;c</h1>"), std::string::npos);
  const std::string error = ErrorPageHtml("m<", "m.txt, linha 3: <script>", {.reload = true});
  EXPECT_NE(error.find("linha 3: &lt;script&gt;"), std::string::npos);
  EXPECT_NE(error.find("location.reload"), std::string::npos);
  EXPECT_NE(error.find("http-equiv=\"refresh\""), std::string::npos);
}

TEST(Page, WarningsAboutTheFileAreListedFirst) {
  EXPECT_EQ(Page(Triangle()).find("id=\"avisos\""), std::string::npos);
  const std::vector<study::FileWarning> warnings{
      {5, "15.0", "t.txt, linha 5: o quivor lê 3, 20 e 5 e ignora \"15.0\""}};
  const std::string page = Page(Triangle(), "t", {.fileWarnings = warnings});
  EXPECT_NE(page.find("<section id=\"avisos\"><h2>Avisos</h2><ul class=\"plain\"><li>t.txt, linha "
                      "5: o quivor lê 3, 20 e 5 e ignora &quot;15.0&quot;.</li>"),
            std::string::npos);
  // Before the study's own.
  TrussBuilder doubled = Triangle();
  doubled.Bar(4, 2, 1);
  const std::string withBoth = Page(doubled, "t", {.fileWarnings = warnings});
  EXPECT_LT(withBoth.find("linha 5"), withBoth.find("a barra 4 liga os mesmos"));
  EXPECT_NE(withBoth.find("a barra 4 liga os mesmos"), std::string::npos);
}

TEST(Page, HostileModelsGiveAPageWithoutNonNumbers) {
  const auto moved = [](double x, double y) {
    TrussBuilder truss = Triangle();
    truss.Node(4, x, y);
    return truss;
  };
  const struct {
    const char* what;
    TrussBuilder truss;
    bool tiles;
  } cases[] = {
      {"a node not a number", moved(kNaN, 1), true},
      {"a node at infinity", moved(kInf, -kInf), true},
      {"a node far away", moved(1e300, -1e300), false},
      {"both ends of the doubles", moved(-1.7e308, 1.7e308), false},
      {"no bars, a truss of one point", TrussBuilder(0).Node(1, 5, 5).Node(2, 5, 5.0000001), true},
      {"a node 1 um from the others", moved(20, 15.0001), true},
  };
  for (const auto& c : cases) {
    const std::string page = Page(c.truss);
    // Every attribute value is free of what a number that is not finite
    // would print as.
    for (auto at = page.find("=\""); at != std::string::npos; at = page.find("=\"", at + 1)) {
      const std::string value = page.substr(at + 2, page.find('"', at + 2) - at - 2);
      EXPECT_EQ(value.find("nan"), std::string::npos) << c.what << ": " << value;
      EXPECT_EQ(value.find("inf"), std::string::npos) << c.what << ": " << value;
    }
    EXPECT_EQ(page.find("<svg class=\"tile\"") != std::string::npos, c.tiles) << c.what;
    EXPECT_NE(page.find("</html>"), std::string::npos) << c.what;
  }
}

}  // namespace
}  // namespace quivor::page
