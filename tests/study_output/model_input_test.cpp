// What the companion says of a model file as students save it: a record
// whose line goes on with a number the reader leaves unread, and a text in
// an encoding the reader cannot read.
#include "study_main/model_input.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quivor::study {
namespace {

// A triangle whose line `line` (from 1) is replaced.
std::string Triangle(int line, const std::string& replacement) {
  const char* lines[] = {"3",     "3", "1 0.0 0.0", "2 40.0 0.0", "3 20.0 15.0", "1 1 2", "2 1 3",
                         "3 2 3", "2", "1",         "0 0",        "2",           "1 0",   "1",
                         "1",     "3", "0.0",       "-5.0",       "2.0",         "3.0"};
  std::string text;
  for (int i = 1; i <= 20; ++i)
    text += (i == line ? replacement : lines[i - 1]) + std::string("\n");
  return text;
}

TEST(ModelInput, ANumberLeftUnreadOnARecordsLineIsNamedWithItsLikelyFix) {
  const struct {
    int line;
    const char* replacement;
    const char* warning;  // empty: none
    int warningLine = 0;  // 0: the line replaced
  } cases[] = {
      {5, "3 20,5 15.0",
       "t.txt, linha 5: o quivor lê 3, 20 e 5 e ignora \"15.0\" (vírgula decimal? escreva 20.5)"},
      {5, "3 20,5 15,0  ",
       "t.txt, linha 5: o quivor lê 3, 20 e 5 e ignora \"15,0\" (vírgula decimal? escreva 20.5 e "
       "15.0)"},
      {19, "2,5", "t.txt, linha 19: o quivor lê 2 e ignora \"5\" (vírgula decimal? escreva 2.5)"},
      {18, "-0,5",
       "t.txt, linha 18: o quivor lê -0 e ignora \"5\" (vírgula decimal? escreva -0.5)"},
      {17, "0 -5", "t.txt, linha 17: o quivor lê 0 e ignora \"-5\" (esta linha leva só 1 valor)"},
      {6, "1 1 2\t.5 cm",
       "t.txt, linha 6: o quivor lê 1, 1 e 2 e ignora \".5 cm\" (esta linha leva só 3 valores)"},
      {5, "3,20,5,15",
       "t.txt, linha 5: o quivor lê 3, 20 e 5 e ignora \"15\" (esta linha leva só 3 valores)"},
      {5, "3 20 15 ,+7",
       "t.txt, linha 5: o quivor lê 3, 20 e 15 e ignora \"+7\" (esta linha leva só 3 valores)"},
      // Words, a slash, separators alone and signs without digits are no number.
      {5, "3 20 15 nó do meio", ""},
      {5, "3, 20, 15,", ""},
      {5, "3 20 15 / 4", ""},
      {5, "3 20 15\r", ""},
      {5, "3 20\n15 abc", ""},
      // Too few values on a line: the record takes the next line's first.
      {5, "3 20\n\n9 7 7",
       "t.txt, linha 7: o quivor lê 3, 20 e 9 e ignora \"7 7\" (faltam valores na linha 5?)", 7},
  };
  for (const auto& c : cases) {
    const ModelInput input = ReadModelText("t.txt", Triangle(c.line, c.replacement));
    SCOPED_TRACE(c.replacement);
    EXPECT_EQ(input.error, "");
    if (*c.warning == '\0') {
      EXPECT_TRUE(input.warnings.empty());
    } else {
      ASSERT_EQ(input.warnings.size(), 1u);
      EXPECT_EQ(input.warnings[0].text, c.warning);
      EXPECT_EQ(input.warnings[0].line, c.warningLine != 0 ? c.warningLine : c.line);
    }
  }
  // A model that cannot be used keeps the warnings met before its error,
  // which they may explain.
  std::string rejected = Triangle(1, "3 3");
  rejected.replace(rejected.find("3 2 3"), 5, "3 2 9");
  const ModelInput input = ReadModelText("t.txt", rejected);
  EXPECT_EQ(input.error, "t.txt, linha 8: a barra 3 usa o nó 9, que não existe");
  ASSERT_EQ(input.warnings.size(), 1u);
  EXPECT_EQ(input.warnings[0].line, 1);
}

TEST(ModelInput, AnEncodingTheReaderCannotReadIsNamedWithHowToSaveTheFile) {
  const std::string model = Triangle(0, "");
  const std::string how =
      "que o quivor também não lê; no Bloco de Notas, use \"Salvar como\" com a Codificação "
      "\"ANSI\" ou \"UTF-8\" (sem BOM)";
  auto utf16 = [&model](bool little) {
    std::string text = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : model) text += little ? std::string{c, '\0'} : std::string{'\0', c};
    return text;
  };
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {utf16(false),
       "t.txt: o arquivo está salvo em \"UTF-16 BE\" (cada letra ocupa mais de um byte), " + how},
      {utf16(true).substr(2),
       "t.txt: o arquivo está salvo em \"UTF-16 LE\" (cada letra ocupa mais de um byte), " + how},
      {std::string("\xFF\xFE\0\0", 4) + "3\0\0\0",
       "t.txt: o arquivo está salvo em \"UTF-32 LE\" (cada letra ocupa mais de um byte), " + how},
      // Not a mark: the reader's own error.
      {"\xEF\xBB" + model, "t.txt, linha 1: um valor que não é um número, em \"ï»3\""},
      {model, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadModelText("t.txt", c.text).error, c.error);
}

}  // namespace
}  // namespace quivor::study
