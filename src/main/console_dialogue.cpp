// The console dialogue of a run.
#include "main/console_dialogue.hpp"

#include <algorithm>

namespace quivor {

void WriteBanner(TextOutputUnit& console) {
  // QUIVOR in block letters of "=": five rows, 13 blanks before each, no
  // trailing blanks.
  static constexpr std::string_view kRows[] = {
      "              ===   =   =  ===  =       =   ===   ====",
      "             =   =  =   =   =    =     =   =   =  =   =",
      "             = = =  =   =   =     =   =    =   =  ====",
      "             =  =   =   =   =      = =     =   =  =  =",
      "              == =   ===   ===      =       ===   =   =",
  };
  for (std::string_view row : kRows) WriteFreeFormRecord(console, {row});
  WriteFreeFormRecord(console, {});
  WriteFreeFormRecord(
      console, {" PROGRAMA PARA PROJETO DE PONTES TRELICADAS PLANAS DE MASSA TIPO ESPAGUETE"});
  WriteFreeFormRecord(console, {" ODILON PARREIRA, CLEUSA MANTOVANI, JAIRO TEBALDI"});
  WriteFreeFormRecord(console, {});
  WriteFreeFormRecord(console, {});
}

void WritePrompt(TextOutputUnit& console) {
  WriteFreeFormRecord(console, {"Digite o nome do arquivo contendo os dados do modelo analisado:"});
}

Failure ReadModelName(InputUnit& keyboard, ModelName& modelName) {
  modelName.fill(' ');
  ReadItem item(modelName.data(), modelName.size());
  Failure failure = FreeFormRead(keyboard, {&item, 1});
  if (failure.failed()) return failure;
  // Right-justify in place: the trailing blanks move to the front.
  auto last = std::find_if(modelName.rbegin(), modelName.rend(), [](char c) { return c != ' '; });
  std::rotate(modelName.begin(), last.base(), modelName.end());
  return kSuccess;
}

std::string FileName(const ModelName& modelName, std::string_view extension) {
  std::string_view name(modelName.data(), modelName.size());
  std::size_t first = name.find_first_not_of(' ');
  std::string file(first == std::string_view::npos ? std::string_view() : name.substr(first));
  file += extension;
  // Blanks around the whole name are dropped when the file is opened; the
  // extension follows the name directly, so only leading blanks remain here.
  return file;
}

std::string DisplayedName(const ModelName& modelName) {
  std::string_view name(modelName.data(), modelName.size());
  std::size_t first = name.find_first_not_of(' ');
  std::string shown(first == std::string_view::npos ? std::string_view() : name.substr(first));
  shown.resize(kModelNameLength, ' ');
  return shown;
}

void WriteClosingNotice(TextOutputUnit& console, std::string_view displayedName) {
  WriteFreeFormRecord(console, {});
  WriteFreeFormRecord(console,
                      {"  * ATENCAO! OS RESULTADOS ESTAO CONTIDOS NO ARQUIVO ", displayedName});
  WriteFreeFormRecord(console,
                      {"             COM FORMATO \"RTF\", ARMAZENADO NA PASTA DE TRABALHO!"});
}

Failure WaitForEnter(InputUnit& keyboard) { return FreeFormRead(keyboard, {}); }

}  // namespace quivor
