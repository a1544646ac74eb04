// Options through CLI11. Values of the domain are taken as text and read
// here, so that a decimal comma is accepted ("25,4") and a bad value is
// named in Portuguese.
#include "study_main/options.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>

namespace quivor::study {
namespace {

#ifndef QUIVOR_VERSION
#define QUIVOR_VERSION "0"
#endif

// A positive finite number, with a decimal point or a decimal comma.
std::optional<double> PositiveNumber(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
      !(value > 0.0)) {
    return std::nullopt;
  }
  return value;
}

void Portuguese(CLI::App& app) {
  auto formatter = app.get_formatter();
  formatter->label("Usage", "Uso");
  formatter->label("OPTIONS", "OPÇÕES");
  formatter->label("Positionals", "Argumentos");
  formatter->label("Options", "Opções");
  formatter->label("SUBCOMMAND", "SUBCOMANDO");
  formatter->label("SUBCOMMANDS", "SUBCOMANDOS");
  formatter->label("Subcommands", "Subcomandos");
  formatter->label("REQUIRED", "OBRIGATÓRIO");
  formatter->column_width(26);
}

// A usage error in one line; CLI11's own texts are in English.
std::string UsageError(const CLI::ParseError& error) {
  std::string detail = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::size_t colon = detail.find(": ");
    return "argumento ou opção desconhecida:" +
           (colon == std::string::npos ? std::string() : " " + detail.substr(colon + 2));
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    return "uma opção sem o seu valor";
  }
  return "uso incorreto da linha de comando";
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  CLI::App app(
      "Estuda uma ponte treliçada de espaguete para um concurso: a ponte a construir "
      "(o maior número de fios que cada barra pede em algum caso de carga), seu peso "
      "diante do limite, a carga de colapso estimada e, se a treliça for um mecanismo, "
      "como ela se move.",
      "quivor-study");
  Portuguese(app);
  app.option_defaults()->group("Opções");
  app.set_help_flag("-h,--help", "Mostra esta ajuda e termina");
  app.set_version_flag("--version", "quivor-study " QUIVOR_VERSION, "Mostra a versão e termina");

  CommandLine line;
  std::string weightLimit = "750";
  std::string strandLength = "25,4";
  app.add_option("NOME", line.model,
                 "O modelo: o arquivo NOME.txt na pasta de trabalho (NOME.txt também serve). "
                 "Sem ele, o nome é pedido no console.")
      ->type_name("");
  app.add_option("--limite-peso", weightLimit,
                 "Peso máximo da ponte no concurso, em g (padrão 750)")
      ->type_name("G");
  app.add_option("--fio", strandLength, "Comprimento de um fio inteiro, em cm (padrão 25,4)")
      ->type_name("CM");
  app.add_flag("--json", line.json,
               "Escreve os resultados como um documento JSON na saída padrão, e nada mais lá");
  app.add_flag("--csv", line.csv,
               "Escreve NOME.csv, uma linha por barra, para uma planilha em português "
               "(ponto e vírgula, vírgula decimal, UTF-8)");
  app.add_flag(
      "--sem-pagina", [&line](std::int64_t) { line.page = false; },
      "Não escreve a página NOME.html (o desenho da treliça e o gabarito em tamanho real)");
  app.add_flag("--abrir", line.open, "Abre a página no navegador quando o estudo termina");
  app.add_flag("--acompanhar", line.watch,
               "Continua rodando: estuda o modelo de novo cada vez que NOME.txt é salvo, e a "
               "página aberta se recarrega sozinha (termine com Ctrl+C)");
  app.footer(
      "Estado de saída: 0 estudado; 1 a treliça é um mecanismo; 2 erro de uso; "
      "3 o arquivo do modelo não pôde ser usado; 4 um arquivo de saída não pôde ser escrito.");

  ParsedCommandLine parsed;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    parsed.out = app.help();
    return parsed;
  } catch (const CLI::CallForVersion&) {
    parsed.out = "quivor-study " QUIVOR_VERSION "\n";
    return parsed;
  } catch (const CLI::ParseError& error) {
    parsed.status = kStatusUsage;
    parsed.err = "quivor-study: " + UsageError(error) + " (veja quivor-study --help)\n";
    return parsed;
  }

  const std::optional<double> limit = PositiveNumber(weightLimit);
  const std::optional<double> strand = PositiveNumber(strandLength);
  if (!limit || !strand) {
    parsed.status = kStatusUsage;
    parsed.err = std::string("quivor-study: ") + (!limit ? "--limite-peso" : "--fio") +
                 " precisa de um número positivo, não \"" + (!limit ? weightLimit : strandLength) +
                 "\"\n";
    return parsed;
  }
  line.options.weightLimit = *limit;
  line.options.strandLength = *strand;
  parsed.run = std::move(line);
  return parsed;
}

}  // namespace quivor::study
