// The study's page: one self-contained HTML file (inline SVG and CSS), the
// truss drawn to scale for the screen and, printed, at full size on A4
// sheets as a template to build on.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::page {

// The tab of the view of a shape before its optimization.
inline constexpr std::string_view kEarlierViewTab = "Antes da otimização";

struct PageOptions {
  // The page reloads itself now and then, to show the study again while
  // the command watches the model (--acompanhar).
  bool reload = false;
  // The bridge before its shape was changed (quivor-study otimizar): the
  // model as it was and its study. The drawing then shows it too, over the
  // outline of the new shape. Both or neither.
  const Model* earlierModel = nullptr;
  const study::Study* earlierStudy = nullptr;
  // The warnings about the model file, listed before the study's.
  std::span<const study::FileWarning> fileWarnings{};
};

// `model` is the model the study was made of; the loads come from the
// study (as the model file gives them). UTF-8.
std::string PageHtml(const std::string& modelName, const Model& model, const study::Study& study,
                     const PageOptions& options);

// The page of a model that could not be studied: its name, the one-line
// error and the warnings about the file, so that a browser left open on the
// page shows what went wrong.
std::string ErrorPageHtml(const std::string& modelName, const std::string& error,
                          const PageOptions& options);

// The template's sheets. Each A4 sheet shows a window of the truss at full
// size; neighbouring windows share a strip of kSheetOverlap cm. Lengths in cm.
inline constexpr double kSheetOverlap = 1.0;
// The window of one sheet, within the printable part of an A4 page set in
// portrait (its 10 mm margins and a line that names the sheet left out).
inline constexpr double kPortraitWindowWidth = 18.0;
inline constexpr double kPortraitWindowHeight = 26.0;
inline constexpr double kLandscapeWindowWidth = 27.0;
inline constexpr double kLandscapeWindowHeight = 17.0;
// A template needing more sheets than this is not made.
inline constexpr int kMaxSheets = 60;

struct SheetTiling {
  bool landscape = false;
  int columns = 0;  // 0 when no template is made
  int rows = 0;
  double windowWidth = 0.0;  // one sheet's window
  double windowHeight = 0.0;
  // The sheets the area would need in the better orientation, also beyond
  // kMaxSheets (infinite for an area that is not finite).
  double sheetsNeeded = 0.0;
  int sheets() const { return columns * rows; }
};

// The fewest A4 sheets, all in one orientation (portrait on a tie), whose
// windows cover an area of `width` x `height` cm.
SheetTiling TileSheets(double width, double height);

}  // namespace quivor::page
