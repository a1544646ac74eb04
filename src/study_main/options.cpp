// Options through CLI11. Values of the domain are taken as text and read
// here, so that a decimal comma is accepted ("25,4") and a bad value is
// named in Portuguese.
#include "study_main/options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>

#include "study/bridge.hpp"
#include "study_main/model_input.hpp"

namespace quivor::study {
namespace {

#ifndef QUIVOR_VERSION
#define QUIVOR_VERSION "0"
#endif

// A finite number, with a decimal point or a decimal comma.
std::optional<double> Number(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// The usage line as it is typed: a subcommand right after the program's
// name, and a subcommand's own help naming the program before it.
class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* app, std::string name) const override {
    if (app->get_parent() == nullptr) {
      return get_label("Usage") + ": " + name + " [" + get_label("OPTIONS") + "] [NOME]\n" +
             "  ou: " + name + " " + get_label("SUBCOMMAND") + " [" + get_label("OPTIONS") +
             "] ... (veja " + name + " " + get_label("SUBCOMMAND") + " --help)\n";
    }
    return CLI::Formatter::make_usage(app, app->get_parent()->get_name() + " " + name);
  }

  // An option and its text, the text in its column: the column counted in
  // characters, not in the bytes of an accented label ("OBRIGATÓRIO").
  std::string make_option(const CLI::Option* opt, bool is_positional) const override {
    const std::string name = "  " + make_option_name(opt, is_positional) + make_option_opts(opt);
    const std::string text = make_option_desc(opt);
    std::size_t width = 0;
    for (const char c : name) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    std::string out = name;
    if (!text.empty()) {
      out += width + 2 <= column_width_ ? std::string(column_width_ - width, ' ')
                                        : "\n" + std::string(column_width_, ' ');
      out += text;
    }
    return out + "\n";
  }
};

void Portuguese(CLI::App& app) {
  auto formatter = app.get_formatter();
  formatter->label("Usage", "Uso");
  formatter->label("OPTIONS", "OPÇÕES");
  formatter->label("Positionals", "Argumentos");
  formatter->label("SUBCOMMAND", "SUBCOMANDO");
  formatter->label("SUBCOMMANDS", "SUBCOMANDOS");
  formatter->label("Subcommands", "Subcomandos");
  formatter->label("REQUIRED", "OBRIGATÓRIO");
  formatter->column_width(26);
  app.option_defaults()->group("Opções");
  app.set_help_flag("-h,--help", "Mostra esta ajuda e termina");
}

// A usage error in one line; CLI11's own texts are in English.
std::string UsageError(const CLI::ParseError& error) {
  const std::string detail = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::size_t colon = detail.find(": ");
    return "argumento ou opção desconhecida:" +
           (colon == std::string::npos ? std::string() : " " + detail.substr(colon + 2));
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    // "--fio: At Most 1 required but received 2": the option given twice.
    const std::size_t colon = detail.find(": At Most ");
    if (colon != std::string::npos && detail.starts_with("--")) {
      return "a opção " + detail.substr(0, colon) + " foi dada mais de uma vez";
    }
    return "uma opção sem o seu valor";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (detail.starts_with("NOME ")) return "falta o nome do modelo";
    const std::size_t dashes = detail.find("--");
    return "falta uma opção obrigatória" +
           (dashes == std::string::npos
                ? std::string()
                : ": " + detail.substr(dashes, detail.find_first_of(" ,", dashes) - dashes));
  }
  return "uso incorreto da linha de comando";
}

// A number as the ranges show it: plain decimals, a decimal comma.
std::string Plain(double value) {
  char text[64];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  std::string shown(text, error == std::errc{} ? end : text);
  for (char& c : shown) {
    if (c == '.') c = ',';
  }
  return shown;
}

// The values an option takes, from `low` to `high` (both taken), shown in
// its help and in the message that refuses a value outside them.
struct Range {
  double low;
  double high;
  std::string unit;  // "" for a count

  bool Holds(double v) const { return v >= low && v <= high; }
  std::string Text() const {
    return "de " + Plain(low) + " a " + Plain(high) + (unit.empty() ? "" : " " + unit);
  }
};

// The ranges, wide enough for any contest bridge; far outside them a
// count the study makes (the strands of a bar, the whole strands to cut)
// would no longer fit, or mean nothing.
const Range kWeightLimitRange{1.0, 1.0e6, "g"};
const Range kStrandLengthRange{1.0, 1000.0, "cm"};
const Range kSpanRange{1.0, 1.0e5, "cm"};
const Range kHeightRange{0.1, 1.0e5, "cm"};
const Range kLoadRange{0.0, 1.0e6, "kgf"};
const Range kSafetyFactorRange{1.0, 1000.0, ""};
const Range kHeightLimitRange{0.1, 1.0e5, "cm"};
const Range kShortestBarRange{0.01, 1000.0, "cm"};
const Range kGlueRange{0.0, 1000.0, "g"};
const Range kExtraWeightRange{0.0, 1.0e6, "g"};

// A value of the domain, given as text: read after the parse, with the
// check it must pass and the message when it does not.
struct Value {
  std::string option;
  std::string text;
  std::function<bool(double)> take;  // false: the value is refused
  std::string wanted;                // what the option needs, for the message
};

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  CLI::App app(
      "Estuda uma ponte treliçada de espaguete para um concurso: cada treliça a construir "
      "(o maior número de fios que cada barra pede em algum caso de carga), o peso da ponte "
      "inteira diante do limite, a carga de colapso estimada e, se a treliça for um mecanismo, "
      "como ela se move.",
      "quivor-study");
  app.formatter(std::make_shared<UsageFormatter>());
  Portuguese(app);
  app.set_version_flag("--version", "quivor-study " QUIVOR_VERSION, "Mostra a versão e termina");

  CommandLine line;
  // CLI11 keeps a reference to each value's text: a deque's push_back moves
  // none of them.
  std::deque<Value> values;
  auto number = [&values](CLI::App& on, const std::string& option, const std::string& type,
                          const std::string& help, std::function<bool(double)> take,
                          const std::string& wanted) {
    values.push_back({option, "", std::move(take), wanted});
    return on.add_option(option, values.back().text, help)->type_name(type);
  };
  // A value within its range, and the help and the message that give it.
  auto ranged = [&number](CLI::App& on, const std::string& option, const std::string& type,
                          const std::string& help, const std::string& defaultValue,
                          const Range& range, std::function<void(double)> take) {
    return number(
        on, option, type, help + ", " + range.Text() + defaultValue,
        [range, take = std::move(take)](double v) {
          return range.Holds(v) ? (take(v), true) : false;
        },
        "um número " + range.Text());
  };

  app.add_option("NOME", line.model,
                 "O modelo: o arquivo NOME.txt na pasta de trabalho (NOME.txt também serve). "
                 "Sem ele, o nome é pedido no console.")
      ->type_name("");
  ranged(app, "--limite-peso", "G",
         "Peso máximo da ponte inteira no concurso (treliças, cola e peso extra)", " (padrão 750)",
         kWeightLimitRange, [&line](double v) { line.options.weightLimit = v; });
  ranged(app, "--fio", "CM", "Comprimento de um fio inteiro", " (padrão 25,4)", kStrandLengthRange,
         [&line](double v) { line.options.strandLength = v; });
  const Range trusses{kFewestTrusses, kMostTrusses, ""};
  number(
      app, "--trelicas", "N",
      "Treliças iguais lado a lado na ponte, cada uma como o modelo e com uma parte igual da "
      "carga, inteiro, " +
          trusses.Text() + " (padrão 2)",
      [&line, trusses](double v) {
        if (v != std::floor(v) || !trusses.Holds(v)) return false;
        line.options.trusses = static_cast<int>(v);
        return true;
      },
      "um número inteiro " + trusses.Text());
  ranged(app, "--cola", "G", "Cola em cada nó de cada treliça", " (padrão 0)", kGlueRange,
         [&line](double v) { line.options.glue = v; });
  ranged(app, "--peso-extra", "G",
         "O mais que é pesado com a ponte: travessas, tabuleiro, contraventamento", " (padrão 0)",
         kExtraWeightRange, [&line](double v) { line.options.extraWeight = v; });
  app.add_flag("--json", line.json,
               "Escreve os resultados como um documento JSON na saída padrão, e nada mais lá; "
               "pede o NOME na linha de comando. Com --acompanhar, um documento por linha, um "
               "a cada estudo");
  app.add_flag("--csv", line.csv,
               "Escreve NOME.csv, uma linha por barra (em cada treliça e na ponte) e os números de "
               "cada treliça e da ponte, para uma planilha em português "
               "(ponto e vírgula, vírgula decimal, UTF-8)");
  app.add_flag(
      "--sem-pagina", [&line](std::int64_t) { line.page = false; },
      "Não escreve a página NOME.html (o desenho da treliça e o gabarito em tamanho real)");
  app.add_flag("--abrir", line.open, "Abre a página no navegador quando o estudo termina");
  app.add_option("--material", line.material,
                 "O espaguete da equipe: um arquivo de valores (veja quivor-study calibrar), "
                 "ou padrao para o do quivor (sem a opção: espaguete.txt ao lado do modelo, se "
                 "houver; senão o do quivor)")
      ->type_name("ARQ");
  app.add_flag(
      "--dimensionar-com-material",
      [&line](std::int64_t) { line.options.material.sizeWithMaterial = true; },
      "Conta os fios de cada barra com os valores médios do material, não com a regra do "
      "quivor (os coeficientes de segurança do modelo continuam)");
  app.add_flag("--acompanhar", line.watch,
               "Continua rodando: estuda o modelo de novo cada vez que NOME.txt é salvo, e a "
               "página aberta se recarrega sozinha (termine com Ctrl+C)");

  // quivor-study nova NAME: a first model of a common form.
  CLI::App* created = app.add_subcommand(
      "nova",
      "Escreve NOME.txt, um primeiro modelo de ponte (tabuleiro embaixo, apoio fixo à "
      "esquerda e móvel à direita, a carga no meio do vão)");
  Portuguese(*created);
  created->group("Subcomandos");
  generate::BridgeRequest& bridge = line.bridge;
  std::string type = "pratt";
  created->add_option("NOME", line.model, "O modelo a escrever: NOME.txt")
      ->required()
      ->type_name("");
  created
      ->add_option("--tipo", type,
                   "pratt, howe, warren, warren-montantes, k ou arco (padrão pratt)")
      ->type_name("T");
  ranged(*created, "--vao", "CM", "Vão", " (padrão 100)", kSpanRange,
         [&bridge](double v) { bridge.span = v; });
  ranged(*created, "--altura", "CM", "Altura da treliça (no arco, a flecha)", " (padrão 15)",
         kHeightRange, [&bridge](double v) { bridge.height = v; });
  // The most panels of any type; each type may allow fewer.
  int mostPanels = 2;
  for (const char* name : {"pratt", "howe", "warren", "warren-montantes", "k", "arco"}) {
    mostPanels = std::max(mostPanels, generate::MaxPanels(*generate::BridgeTypeNamed(name)));
  }
  const Range panels{2.0, static_cast<double>(mostPanels), ""};
  number(
      *created, "--paineis", "N",
      "Número de painéis, inteiro, " + panels.Text() + " (menos em alguns tipos; padrão 10)",
      [&bridge, panels](double v) {
        if (v != std::floor(v) || !panels.Holds(v)) return false;
        bridge.panels = static_cast<int>(v);
        return true;
      },
      "um número inteiro " + panels.Text());
  ranged(*created, "--carga", "KGF", "A carga de projeto no meio do vão", " (obrigatória)",
         kLoadRange, [&bridge](double v) { bridge.load = v; })
      ->required();
  ranged(*created, "--coef-tracao", "C", "Coeficiente de segurança à tração", " (padrão 2)",
         kSafetyFactorRange, [&bridge](double v) { bridge.tensionSafetyFactor = v; });
  ranged(*created, "--coef-compressao", "C", "Coeficiente de segurança à compressão", " (padrão 3)",
         kSafetyFactorRange, [&bridge](double v) { bridge.compressionSafetyFactor = v; });
  created->add_flag("--carga-distribuida", bridge.spreadLoadCase,
                    "Um segundo caso de carga: a mesma carga total repartida pelos nós do "
                    "tabuleiro");
  created->add_flag("--substituir", line.replace, "Escreve por cima de um NOME.txt que já existe");

  // quivor-study ranking [FOLDER]: every model of a folder, best first.
  CLI::App* ranking = app.add_subcommand(
      "ranking",
      "Estuda todos os modelos *.txt de uma pasta e os classifica pela eficiência; "
      "escreve também ranking.csv na pasta");
  Portuguese(*ranking);
  ranking->group("Subcomandos");
  ranking->add_option("PASTA", line.folder, "A pasta dos modelos (padrão: a pasta de trabalho)")
      ->type_name("");
  ranking->fallthrough();

  // quivor-study renumerar NAME: the node lines reordered for a narrow band.
  CLI::App* renumber = app.add_subcommand(
      "renumerar",
      "Escreve NOME-renumerado.txt: o modelo com as linhas dos nós reordenadas para "
      "uma banda estreita (rótulos e demais linhas como estão)");
  Portuguese(*renumber);
  renumber->group("Subcomandos");
  renumber->add_option("NOME", line.model, "O modelo: NOME.txt")->required()->type_name("");
  renumber->add_flag("--substituir", line.replace,
                     "Escreve por cima de um NOME-renumerado.txt que já existe");

  // quivor-study otimizar NAME: the nodes moved for a lighter bridge.
  CLI::App* optimize = app.add_subcommand(
      "otimizar",
      "Escreve NOME-otimizado.txt: o modelo com os nós sem apoio nem carga, fora do "
      "tabuleiro, movidos para uma ponte a construir mais leve (as mesmas barras)");
  Portuguese(*optimize);
  optimize->group("Subcomandos");
  optimize->add_option("NOME", line.model, "O modelo: NOME.txt")->required()->type_name("");
  optimize::ShapeRules& shape = line.shape;
  ranged(*optimize, "--altura-max", "CM", "Distância máxima de um nó ao tabuleiro",
         " (padrão: a do nó mais distante dele no modelo)", kHeightLimitRange,
         [&shape](double v) { shape.heightLimit = v; });
  ranged(*optimize, "--barra-min", "CM", "Comprimento mínimo de uma barra que muda", " (padrão 1)",
         kShortestBarRange, [&shape](double v) { shape.shortestBar = v; });
  optimize->add_flag("--mover-x", shape.alongDeck,
                     "Move os nós também na horizontal (ao longo do tabuleiro), sem passar dos "
                     "apoios");
  optimize->add_flag(
      "--sem-simetria", [&shape](std::int64_t) { shape.keepSymmetry = false; },
      "Move cada nó por si, mesmo num modelo simétrico (sem isso, nós espelhados se movem "
      "juntos)");
  optimize->add_flag(
      "--sem-pagina", [&line](std::int64_t) { line.page = false; },
      "Não escreve a página NOME-otimizado.html");
  optimize->add_flag("--substituir", line.replace,
                     "Escreve por cima de NOME-otimizado.txt e NOME-otimizado.html que já existem");
  optimize->fallthrough();

  // quivor-study calibrar TESTS: the team's strand from its tests.
  CLI::App* calibrate = app.add_subcommand(
      "calibrar",
      "Lê os ensaios do espaguete da equipe (ENSAIOS.csv: tipo; fios; comprimento; carga; "
      "e, se quiser, peso; comprimento do feixe) e escreve espaguete.txt, os valores para "
      "--material, e a página ENSAIOS.html");
  Portuguese(*calibrate);
  calibrate->group("Subcomandos");
  calibrate->add_option("ENSAIOS", line.tests, "A tabela dos ensaios: ENSAIOS.csv")
      ->required()
      ->type_name("");
  calibrate->add_flag(
      "--sem-pagina", [&line](std::int64_t) { line.page = false; },
      "Não escreve a página ENSAIOS.html");
  calibrate->add_flag("--substituir", line.replace,
                      "Escreve por cima de um espaguete.txt que já existe");

  app.footer(
      "Estado de saída: 0 estudado; 1 a treliça é um mecanismo; 2 erro de uso; "
      "3 o arquivo do modelo não pôde ser usado; 4 um arquivo de saída não pôde ser escrito.");

  // The subcommand named on the line, if any: its help is the one to see.
  const std::vector<CLI::App*> subcommands{created, ranking, renumber, optimize, calibrate};
  auto namedSubcommand = [&subcommands]() -> CLI::App* {
    for (CLI::App* sub : subcommands) {
      if (sub->parsed()) return sub;
    }
    return nullptr;
  };
  auto seeHelp = [&namedSubcommand]() {
    const CLI::App* sub = namedSubcommand();
    return " (veja quivor-study " + (sub != nullptr ? sub->get_name() + " " : std::string()) +
           "--help)\n";
  };
  ParsedCommandLine parsed;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    const CLI::App* sub = namedSubcommand();
    parsed.out = sub != nullptr ? sub->help() : app.help();
    return parsed;
  } catch (const CLI::CallForVersion&) {
    parsed.out = "quivor-study " QUIVOR_VERSION "\n";
    return parsed;
  } catch (const CLI::ParseError& error) {
    parsed.status = kStatusUsage;
    parsed.err = "quivor-study: " + UsageError(error) + seeHelp();
    return parsed;
  }

  // A name given on the line must name something: an empty or blank one is
  // a slip, not a request to ask for the name.
  for (CLI::App* on : {&app, created, renumber, optimize}) {
    if (on->count("NOME") > 0 && ModelFileName(line.model).empty()) {
      parsed.status = kStatusUsage;
      parsed.err = "quivor-study: o nome do modelo está vazio" + seeHelp();
      return parsed;
    }
  }
  if (ranking->count("PASTA") > 0 && line.folder.find_first_not_of(" \t") == std::string::npos) {
    parsed.status = kStatusUsage;
    parsed.err = "quivor-study: o nome da pasta está vazio" + seeHelp();
    return parsed;
  }

  for (const Value& value : values) {
    if (value.text.empty()) continue;
    const std::optional<double> read = Number(value.text);
    if (!read || !value.take(*read)) {
      parsed.status = kStatusUsage;
      parsed.err = "quivor-study: " + value.option + " precisa de " + value.wanted + ", não \"" +
                   value.text + "\"\n";
      return parsed;
    }
  }
  if (created->parsed()) {
    const std::optional<generate::BridgeType> named = generate::BridgeTypeNamed(type);
    if (!named) {
      parsed.status = kStatusUsage;
      parsed.err =
          "quivor-study: --tipo precisa de pratt, howe, warren, warren-montantes, k ou "
          "arco, não \"" +
          type + "\"\n";
      return parsed;
    }
    bridge.type = *named;
    line.command = Command::kNew;
  }
  if (calibrate->parsed()) {
    if (line.tests.find_first_not_of(" \t") == std::string::npos) {
      parsed.status = kStatusUsage;
      parsed.err = "quivor-study: o nome da tabela de ensaios está vazio" + seeHelp();
      return parsed;
    }
    line.command = Command::kCalibrate;
  }
  if (app.count("--material") > 0 && line.material.find_first_not_of(" \t") == std::string::npos) {
    parsed.status = kStatusUsage;
    parsed.err = "quivor-study: --material precisa de um arquivo ou de padrao" + seeHelp();
    return parsed;
  }
  // The material counts only where a bridge is studied.
  for (CLI::App* sub : {created, renumber, calibrate}) {
    const bool material =
        app.count("--material") > 0 || app.count("--dimensionar-com-material") > 0;
    if (sub->parsed() && material) {
      parsed.status = kStatusUsage;
      parsed.err =
          "quivor-study: " +
          std::string(app.count("--material") > 0 ? "--material" : "--dimensionar-com-material") +
          " não vale para " + sub->get_name() + seeHelp();
      return parsed;
    }
  }
  if (ranking->parsed()) line.command = Command::kRanking;
  if (renumber->parsed()) line.command = Command::kRenumber;
  if (optimize->parsed()) {
    // The study's options reach otimizar too; these three have no meaning
    // there.
    if (line.json || line.csv || line.watch) {
      parsed.status = kStatusUsage;
      parsed.err = std::string("quivor-study: ") +
                   (line.json  ? "--json"
                    : line.csv ? "--csv"
                               : "--acompanhar") +
                   " não vale para otimizar (veja quivor-study otimizar --help)\n";
      return parsed;
    }
    line.command = Command::kOptimize;
  }
  // The JSON mode keeps standard output for the document alone: no dialogue
  // there to ask for the name.
  if (line.command == Command::kStudy && line.json && line.model.empty()) {
    parsed.status = kStatusUsage;
    parsed.err = "quivor-study: --json pede o nome do modelo na linha de comando" + seeHelp();
    return parsed;
  }
  parsed.run = std::move(line);
  return parsed;
}

}  // namespace quivor::study
