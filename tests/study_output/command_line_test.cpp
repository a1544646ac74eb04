// The companion's command line and console: names as students type them,
// usage errors in one line, progress lines, line ends of a new model, and
// the shape a model was optimized from.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "page/page.hpp"
#include "study_main/model_input.hpp"
#include "study_main/options.hpp"
#include "study_main/progress_line.hpp"

namespace quivor::study {
namespace {

TEST(CommandLine, NamesAsTheyAreTyped) {
  const struct {
    const char* typed;
    const char* file;
    const char* stem;
  } cases[] = {
      {"ponte", "ponte.txt", "ponte"},
      {"  ponte\t", "ponte.txt", "ponte"},
      {"ponte.txt", "ponte.txt", "ponte"},
      {"MAIUSC.TXT", "MAIUSC.TXT", "MAIUSC"},
      {"ponte.txt.bak", "ponte.txt.bak.txt", "ponte.txt.bak"},
      {"\"C:\\Users\\Ana\\pratt.txt\"", "C:\\Users\\Ana\\pratt.txt", "C:\\Users\\Ana\\pratt"},
      {" \"obras/ponte 2\" ", "obras/ponte 2.txt", "obras/ponte 2"},
      {"'ponte 1'", "ponte 1.txt", "ponte 1"},
      {"'d''agua'", "d'agua.txt", "d'agua"},
      {"\"", "\".txt", "\""},
      {".txt", ".txt", ""},
      {"", "", ""},
      {"''", "", ""},
      {"\" \"", "", ""},
  };
  for (const auto& c : cases) {
    const std::string file = ModelFileName(c.typed);
    EXPECT_EQ(file, c.file) << c.typed;
    EXPECT_EQ(ModelStem(file), c.stem) << c.typed;
  }
}

// The one line a command line gets on standard error, and its status.
ParsedCommandLine Parsed(std::vector<const char*> args) {
  args.insert(args.begin(), "quivor-study");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, UsageErrorsSayWhatIsWrongAndWhereToLook) {
  const struct {
    std::vector<const char*> args;
    const char* err;
  } cases[] = {
      {{"nova", "p"}, "falta uma opção obrigatória: --carga (veja quivor-study nova --help)"},
      {{"p", "--fio"}, "uma opção sem o seu valor (veja quivor-study --help)"},
      {{"otimizar", "''"}, "o nome do modelo está vazio (veja quivor-study otimizar --help)"},
      {{""}, "o nome do modelo está vazio (veja quivor-study --help)"},
      {{"ranking", ""}, "o nome da pasta está vazio (veja quivor-study ranking --help)"},
      {{"calibrar", " "},
       "o nome da tabela de ensaios está vazio (veja quivor-study calibrar --help)"},
      {{"p", "--material", ""},
       "--material precisa de um arquivo ou de padrao (veja quivor-study "
       "--help)"},
      {{"--material", "e.txt", "calibrar", "t"},
       "--material não vale para calibrar (veja quivor-study calibrar --help)"},
      {{"--dimensionar-com-material", "renumerar", "p"},
       "--dimensionar-com-material não vale para renumerar (veja quivor-study renumerar --help)"},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine parsed = Parsed(c.args);
    EXPECT_FALSE(parsed.run) << c.err;
    EXPECT_EQ(parsed.status, kStatusUsage) << c.err;
    EXPECT_EQ(parsed.err, std::string("quivor-study: ") + c.err + "\n");
  }
  EXPECT_TRUE(Parsed({"p", "--json"}).run);
  EXPECT_EQ(Parsed({"ranking", "--material", "e.txt"}).run->material, "e.txt");
  EXPECT_TRUE(Parsed({"otimizar", "p", "--dimensionar-com-material"})
                  .run->options.material.sizeWithMaterial);
  EXPECT_TRUE(Parsed({}).run);  // the name is asked for
}

TEST(CommandLine, UsageLinesNameTheProgramAndPutTheSubcommandFirst) {
  for (const char* sub : {"ranking", "renumerar", "otimizar"}) {
    const std::string help = Parsed({sub, "--help"}).out;
    EXPECT_NE(help.find(std::string("\nUso: quivor-study ") + sub + " [OPÇÕES] "),
              std::string::npos)
        << help;
  }
}

TEST(ProgressLine, RedrawnOverTheLastByCharacters) {
  std::size_t shown = 0;
  EXPECT_EQ(RedrawnLine("Otimizando: até agora 12,5 g...", shown),
            "\rOtimizando: até agora 12,5 g...");
  EXPECT_EQ(shown, 31u);
  // Shorter by characters: blanks over the rest, however many bytes the
  // accents took.
  EXPECT_EQ(RedrawnLine("Otimização: 3 buscas.", shown),
            "\rOtimização: 3 buscas." + std::string(10, ' '));
  EXPECT_EQ(shown, 21u);
  EXPECT_EQ(RedrawnLine("", shown), "\r" + std::string(21, ' '));
  EXPECT_EQ(shown, 0u);
}

TEST(NewModel, LineEndsAsCrLf) {
  EXPECT_EQ(WithCrLf("3\n3\n1 0 0\n"), "3\r\n3\r\n1 0 0\r\n");
  EXPECT_EQ(WithCrLf("a\r\nb\nc"), "a\r\nb\r\nc");
#ifdef _WIN32
  EXPECT_EQ(WithSystemLineEnds("1\n2\n"), "1\r\n2\r\n");
#else
  EXPECT_EQ(WithSystemLineEnds("1\n2\n"), "1\n2\n");
#endif
}

constexpr const char* kTriangle =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 2 3\n"
    "2\n1\n0 0\n2\n1 0\n1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n";
// Its top node moved up: the shape otimizar would write.
constexpr const char* kTaller =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 25.0\n1 1 2\n2 1 3\n3 2 3\n"
    "2\n1\n0 0\n2\n1 0\n1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n";
// Another truss: bar 3 joins other nodes.
constexpr const char* kOtherBars =
    "3\n3\n1 0.0 0.0\n2 40.0 0.0\n3 20.0 15.0\n1 1 2\n2 1 3\n3 3 2\n"
    "2\n1\n0 0\n2\n1 0\n1\n1\n3\n0.0\n-5.0\n2.0\n3.0\n";

TEST(ShapeBefore, TheOriginalModelWhileItIsThereAndTheSameTruss) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() /
      ("quivor-shape-before-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(folder);
  auto save = [&folder](const char* name, const char* text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  };
  save("ponte.txt", kTriangle);
  ModelInput optimized = ReadModelText("ponte-otimizado.txt", kTaller);
  const Study study = StudyModel(optimized.model, {});
  const std::string stem = (folder / "ponte-otimizado").string();

  const std::optional<ShapeBefore> before = ShapeBeforeOptimizing(stem, optimized.model, {});
  ASSERT_TRUE(before);
  EXPECT_EQ(before->model.nodeCoord(3, 2), 15.0);
  EXPECT_TRUE(before->study.stable);
  page::PageOptions options;
  options.earlierModel = &before->model;
  options.earlierStudy = &before->study;
  EXPECT_NE(page::PageHtml("ponte-otimizado", optimized.model, study, options)
                .find("Antes da otimização"),
            std::string::npos);

  // Not a shape written by otimizar, or its model no longer the same.
  EXPECT_FALSE(ShapeBeforeOptimizing((folder / "ponte").string(), optimized.model, {}));
  EXPECT_FALSE(ShapeBeforeOptimizing((folder / "-otimizado").string(), optimized.model, {}));
  save("ponte.txt", kOtherBars);
  EXPECT_FALSE(ShapeBeforeOptimizing(stem, optimized.model, {}));
  save("ponte.txt", "3\n3\n");
  EXPECT_FALSE(ShapeBeforeOptimizing(stem, optimized.model, {}));
  fs::remove(folder / "ponte.txt");
  EXPECT_FALSE(ShapeBeforeOptimizing(stem, optimized.model, {}));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace quivor::study
