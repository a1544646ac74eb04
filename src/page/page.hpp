// The study's page: one self-contained HTML file (inline SVG and CSS), the
// truss drawn to scale for the screen and, printed, at full size on A4
// sheets as a template to build on.
#pragma once

#include <string>

#include "model/model.hpp"
#include "study/study.hpp"

namespace quivor::page {

struct PageOptions {
  // The page reloads itself now and then, to show the study again while
  // the command watches the model (--acompanhar).
  bool reload = false;
};

// `model` is the model the study was made of; the loads come from the
// study (as the model file gives them). UTF-8.
std::string PageHtml(const std::string& modelName, const Model& model, const study::Study& study,
                     const PageOptions& options);

// The page of a model that could not be studied: its name and the one-line
// error, so that a browser left open on the page shows what went wrong.
std::string ErrorPageHtml(const std::string& modelName, const std::string& error,
                          const PageOptions& options);

}  // namespace quivor::page
