// The parts of the page: the truss placed in drawing coordinates, the
// drawings for the screen and the template sheets for the printer.
#pragma once

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

// The template sheets, shown only when printed, and what the screen says
// about them.
void AppendTemplate(Markup& page, const std::string& modelName, const PlacedTruss& truss,
                    const study::Study& study);
// The @page rule and sheet sizes for the template's orientation.
void AppendPrintStyle(Markup& page, const PlacedTruss& truss);
// How to print the template, for the screen.
void AppendPrintHelp(Markup& page, const PlacedTruss& truss);

}  // namespace quivor::page
