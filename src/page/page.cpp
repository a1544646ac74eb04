// Placeholder until the page is drawn.
#include "page/page.hpp"

namespace quivor::page {

std::string PageHtml(const std::string& modelName, const Model&, const study::Study&,
                     const PageOptions&) {
  return "<!DOCTYPE html>\n<html lang=\"pt-BR\"><meta charset=\"utf-8\"><title>" + modelName +
         "</title></html>\n";
}

std::string ErrorPageHtml(const std::string& modelName, const std::string& error,
                          const PageOptions&) {
  return "<!DOCTYPE html>\n<html lang=\"pt-BR\"><meta charset=\"utf-8\"><title>" + modelName +
         "</title><p>" + error + "</p></html>\n";
}

}  // namespace quivor::page
