// The console dialogue: the name as typed, as opened and as shown; the banner.
#include "main/console_dialogue.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quivor {
namespace {

struct NameCase {
  std::string typed;
  std::string justified;  // the 50 characters after right-justification
  std::string model;
  std::string shown;
};

std::string Right(const std::string& name) {
  return std::string(kModelNameLength - name.size(), ' ') + name;
}
std::string Left(const std::string& name) {
  return name + std::string(kModelNameLength - name.size(), ' ');
}

TEST(ModelName, TypedOpenedAndShown) {
  const std::string fifty(50, 'n');
  const NameCase cases[] = {
      {"ponte\r\n", Right("ponte"), "ponte.txt", Left("ponte")},
      {"   ponte   \n", Right("ponte"), "ponte.txt", Left("ponte")},
      {"\n\n  ponte\n", Right("ponte"), "ponte.txt", Left("ponte")},
      {"ponte 1\n", Right("ponte"), "ponte.txt", Left("ponte")},
      {"'ponte 1'\n", Right("ponte 1"), "ponte 1.txt", Left("ponte 1")},
      {"\"  ponte \"\n", Right("  ponte"), "ponte.txt", Left("ponte")},
      {"ponte.txt\n", Right("ponte.txt"), "ponte.txt.txt", Left("ponte.txt")},
      {fifty + "\n", fifty, fifty + ".txt", fifty},
      {fifty + "xyz\n", fifty, fifty + ".txt", fifty},
  };
  for (const NameCase& c : cases) {
    InputUnit keyboard(kConsoleUnit, c.typed);
    ModelName name;
    ASSERT_FALSE(ReadModelName(keyboard, name).failed()) << c.typed;
    EXPECT_EQ(std::string(name.data(), name.size()), c.justified) << c.typed;
    EXPECT_EQ(FileName(name, ".txt"), c.model) << c.typed;
    EXPECT_EQ(FileName(name, ".rtf"), c.model.substr(0, c.model.size() - 4) + ".rtf");
    EXPECT_EQ(DisplayedName(name), c.shown) << c.typed;
  }
}

TEST(ModelName, FailuresOfTheNameRead) {
  struct Case {
    std::string typed;
    ErrorNumber expected;
  } cases[] = {
      {"", ErrorNumber::kEndOfFile},
      {"\n  \n", ErrorNumber::kEndOfFile},
      {std::string(2050, 'a') + "\n", ErrorNumber::kSyntaxError},
  };
  for (const Case& c : cases) {
    InputUnit keyboard(kConsoleUnit, c.typed);
    ModelName name;
    Failure failure = ReadModelName(keyboard, name);
    EXPECT_EQ(failure.number, c.expected) << c.typed.substr(0, 20);
    EXPECT_EQ(failure.unit, kConsoleUnit);
  }
}

TEST(ConsoleDialogue, WaitTakesOneLineAndFailsAtTheEnd) {
  InputUnit keyboard(kConsoleUnit, std::string_view("ponte\nanything at all\n"));
  ModelName name;
  ASSERT_FALSE(ReadModelName(keyboard, name).failed());
  EXPECT_FALSE(WaitForEnter(keyboard).failed());
  Failure ended = WaitForEnter(keyboard);
  EXPECT_EQ(ended.number, ErrorNumber::kEndOfFile);
  EXPECT_EQ(ended.unit, kConsoleUnit);
}

TEST(ConsoleDialogue, BannerRowsKeepTheirShape) {
  std::string out;
  {
    TextOutputUnit console(out);
    WriteBanner(console);
    WritePrompt(console);
  }
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < out.size();) {
    std::size_t end = out.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(out.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 11u);
  for (int row = 0; row < 5; ++row) {
    const std::string& line = lines[static_cast<std::size_t>(row)];
    EXPECT_EQ(line.substr(0, 14), std::string(14, ' ')) << row;
    EXPECT_EQ(line.back(), '=') << row;
    EXPECT_LE(line.size(), 80u);
    EXPECT_EQ(line.find_first_not_of(" ="), std::string::npos) << row;
  }
  EXPECT_EQ(lines[5], " ");
  EXPECT_EQ(lines[6],
            "  PROGRAMA PARA PROJETO DE PONTES TRELICADAS PLANAS DE MASSA TIPO ESPAGUETE");
  EXPECT_EQ(lines[7].substr(0, 2), "  ");
  EXPECT_EQ(lines[8], " ");
  EXPECT_EQ(lines[9], " ");
  EXPECT_EQ(lines[10], " Digite o nome do arquivo contendo os dados do modelo analisado:");
}

TEST(ConsoleDialogue, ClosingNoticePutsTheNameOnItsOwnLine) {
  std::string out;
  {
    TextOutputUnit console(out);
    WriteClosingNotice(console, Left("ponte"));
  }
  EXPECT_EQ(out,
            " \r\n"
            "   * ATENCAO! OS RESULTADOS ESTAO CONTIDOS NO ARQUIVO \r\n"
            " " +
                Left("ponte") +
                "\r\n"
                "              COM FORMATO \"RTF\", ARMAZENADO NA PASTA DE TRABALHO!\r\n");
}

}  // namespace
}  // namespace quivor
