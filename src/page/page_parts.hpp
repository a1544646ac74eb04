// The parts of the page: the truss placed in drawing coordinates, the
// drawings for the screen and the template sheets for the printer.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/model.hpp"
#include "page/markup.hpp"
#include "study/study.hpp"

namespace quivor::page {

// The truss in drawing coordinates: x to the right and y DOWN (SVG's way),
// the box of the drawn nodes from (0, 0) to (width, height). One drawing
// unit is one cm of the model (scale 1) unless the truss is far from the
// size of a bridge (under 1 cm or over 1 km), when it is shrunk or
// enlarged to keep the numbers of the drawing within a float's reach.
struct PlacedTruss {
  struct Node {
    int label;
    double x;
    double y;
    bool drawn;  // its coordinates are finite numbers
    bool heldX;  // by any of its support records
    bool heldY;
    bool supported;  // named by a support record
  };
  struct Bar {
    int label;
    int startLabel;
    int endLabel;
    int start;  // indices into `nodes`; -1 when the bar is not drawn
    int end;
  };
  std::vector<Node> nodes;  // file order
  std::vector<Bar> bars;    // file order
  double scale = 1.0;       // drawing units per cm
  double originX = 0.0;     // the model's point (cm) at the drawing's (0, 0)
  double originY = 0.0;
  double width = 0.0;
  double height = 0.0;
  int undrawnNodes = 0;

  bool fullSize() const { return scale == 1.0; }
  bool drawn(const Bar& bar) const { return bar.start >= 0 && bar.end >= 0; }
  // The end nodes of a drawn bar.
  const Node& start(const Bar& bar) const { return nodes[static_cast<std::size_t>(bar.start)]; }
  const Node& end(const Bar& bar) const { return nodes[static_cast<std::size_t>(bar.end)]; }
  // The index of the node with `label`; -1 for none.
  int IndexOfLabel(const Model& model, int label) const;
};

PlacedTruss PlaceTruss(const Model& model);
// `model` placed in the frame of another truss (its scale, origin, width
// and height), so that two shapes of one bridge can be drawn over each
// other; its nodes may lie outside the frame's box.
PlacedTruss PlaceTrussInFrame(const Model& model, const PlacedTruss& frame);

// The bridge as it was before its shape changed: its model, placed in the
// frame of the truss the page is about, and its study.
struct EarlierShape {
  const Model& model;
  const PlacedTruss& truss;
  const study::Study& study;
};

// The drawing for the screen: one view of the bridge to build, one of the
// earlier shape when there is one, and one per load case (or one per
// mechanism), chosen with radio buttons that work with scripts off; at most
// kMaxViews views, the rest left to the tables.
inline constexpr std::size_t kMaxViews = 22;
void AppendDrawing(Markup& page, const Model& model, const PlacedTruss& truss,
                   const study::Study& study, const EarlierShape* earlier);

// The rules that show the view of the checked radio button, for the head.
void AppendViewSwitchStyle(Markup& page);
// The rules that hide the labels with no room at the drawing's growth of
// the font (its data-grow, the index into kLabelGrowth the script sets),
// for the head.
void AppendLabelStyle(Markup& page);

// The labels of a drawing, placed when the page is written so that none
// covers another or a mark (a node, a support, a load's arrow). The page's
// script may grow the drawings' font on a narrow screen, up to the last of
// these factors, and tells the style sheet the first factor at or above
// its growth; a label shows there if it is clear at every growth up to that
// factor. Labels that find no room are hidden and show when the mouse is
// over their bar, node or arrow.
inline constexpr std::array<double, 5> kLabelGrowth{1.0, 1.25, 1.6, 2.0, 2.5};

// A box in drawing units (y down), and a circle.
struct LabelBox {
  double left;
  double top;
  double right;
  double bottom;
};
struct LabelCircle {
  double x;
  double y;
  double r;
};
// What the labels must keep off; these marks do not grow with the font.
struct LabelMarks {
  std::vector<LabelBox> boxes;
  std::vector<LabelCircle> circles;
};

// A label: its box, `width` x `height` ems of `em` drawing units, centred
// on one of its places, best first. A place is a point of the drawing and
// an offset from it in ems, which grows with the font.
struct LabelSpot {
  struct Place {
    double x;
    double y;
    double dx = 0.0;
    double dy = 0.0;
  };
  double width;
  double height;
  double em;
  std::vector<Place> places;
};

// Where a label went: the index of its place (-1: no room), and at how
// many of the growths, from the first, it shows (0: hidden).
struct PlacedLabel {
  int place = -1;
  int growths = 0;
};

// The label's box at a growth of the font.
LabelBox LabelBoxAt(const LabelSpot& label, const LabelSpot::Place& place, double growth);
// Places the labels in their order, each at its first place clear of the
// marks and of the labels placed before it (at a growth of 1); a label
// stays at that place as the font grows, shown for as long as it stays
// clear of the marks and of the labels before it still shown.
std::vector<PlacedLabel> PlaceLabels(const std::vector<LabelSpot>& labels, const LabelMarks& marks);

// The template sheets, shown only when printed, and what the screen says
// about them.
void AppendTemplate(Markup& page, const std::string& modelName, const PlacedTruss& truss,
                    const study::Study& study);
// The @page rule and sheet sizes for the template's orientation.
void AppendPrintStyle(Markup& page, const PlacedTruss& truss);
// How to print the template, for the screen.
void AppendPrintHelp(Markup& page, const PlacedTruss& truss);

}  // namespace quivor::page
