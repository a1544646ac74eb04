// Texts for people, in Brazilian Portuguese.
#include "study_output/portuguese.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace quivor::study {
namespace {

std::string Commas(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string Node(int label) { return "o nó " + std::to_string(label); }

}  // namespace

std::string Decimal(double value, int decimals) {
  if (std::isnan(value)) return "indefinido";
  if (std::isinf(value)) return value > 0 ? "infinito" : "-infinito";
  char text[400];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::string shown(text, error == std::errc{} ? end : text);
  if (shown.find_first_not_of("-0.") == std::string::npos && shown.starts_with('-')) {
    shown.erase(0, 1);
  }
  return Commas(shown);
}

std::string ShortDecimal(double value, int decimals) {
  std::string text = Decimal(value, decimals);
  if (text.find(',') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == ',') text.pop_back();
  return text;
}

std::string ShortestDecimal(double value) {
  if (!std::isfinite(value)) return Decimal(value, 0);
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return Commas(std::string(text, error == std::errc{} ? end : text));
}

std::size_t Width(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string Plural(long long count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

std::string_view ModeName(FailureMode mode) {
  return mode == FailureMode::kTension ? "tração" : "flambagem";
}

std::string WarningText(const Warning& warning) {
  switch (warning.kind) {
    case WarningKind::kNoBar:
      return Node(warning.node) + " não tem nenhuma barra";
    case WarningKind::kOneBar:
      return Node(warning.node) + " tem uma só barra e nada o prende na direção transversal a ela";
    case WarningKind::kCollinearBars:
      return "as barras do nó " + std::to_string(warning.node) +
             " estão todas numa mesma reta e nada o prende na direção transversal a ela";
    case WarningKind::kDuplicateBar:
      return "a barra " + std::to_string(warning.bar) + " liga os mesmos dois nós que a barra " +
             std::to_string(warning.other);
    case WarningKind::kTinyPivot:
      return "o quivor não percebe este mecanismo (o arredondamento deixou um pivô pequeno, "
             "que passa no teste dele; veja " +
             Node(warning.node) + "): as forças do relatório dele não têm sentido";
    case WarningKind::kNoMotionFound:
      return "o quivor para com \"Matriz singular\", mas as barras não formam um mecanismo: "
             "a rigidez é pequena demais para o teste de pivô dele (barras longas demais?)";
    case WarningKind::kNotFinite:
      return "as coordenadas são grandes demais: a rigidez da treliça tem valores que não são "
             "números finitos";
  }
  return {};
}

std::string MechanismText(const Mechanism& mechanism) {
  if (mechanism.rigid) return "movimento de corpo rígido de toda a treliça (faltam apoios)";
  std::string direction;
  if (std::abs(mechanism.dy) <= 1e-9 * std::abs(mechanism.dx)) {
    direction = "na horizontal";
  } else if (std::abs(mechanism.dx) <= 1e-9 * std::abs(mechanism.dy)) {
    direction = "na vertical";
  } else {
    direction = "na diagonal";
  }
  std::string text = Node(mechanism.node) + " é o que mais se move, " + direction +
                     " (dx = " + Decimal(mechanism.dx, 3) + "; dy = " + Decimal(mechanism.dy, 3) +
                     ")";
  const int others = mechanism.movingNodes() - 1;
  if (others == 0) return text + ", sozinho";
  return text + "; com ele move" +
         (others == 1 ? "-se mais 1 nó" : "m-se mais " + std::to_string(others) + " nós");
}

std::string CountOverflowText(const CountOverflow& overflow) {
  const std::string bar = std::to_string(overflow.bar());
  if (overflow.count() == CountOverflow::Count::kStrands) {
    return "a barra " + bar + " pede mais fios do que se pode contar (" +
           std::to_string(std::numeric_limits<std::int32_t>::max()) +
           " ou mais): a força nela é grande demais, ou não é um número";
  }
  return "os fios inteiros para cortar as peças passam de " +
         std::to_string(CountOverflow::kMostWholeStrands) + " na barra " + bar +
         ": ela é longa demais para o comprimento do fio";
}

std::string BridgeMakeup(const Bridge& bridge) {
  if (bridge.trusses == 1) return "uma só treliça, a do modelo, com toda a carga";
  const std::string n = std::to_string(bridge.trusses);
  return n + " treliças iguais à do modelo, lado a lado, cada uma com 1/" + n + " da carga";
}

std::string BridgeWeightParts(const Bridge& bridge) {
  const std::string trusses = bridge.trusses == 1
                                  ? std::string("a treliça")
                                  : "as " + std::to_string(bridge.trusses) + " treliças";
  const bool glue = bridge.glueWeight != 0.0;
  const bool extra = bridge.extraWeight != 0.0;
  if (!glue && !extra) return "só " + trusses + ", sem cola nem peso extra";
  std::string text = Decimal(bridge.trussesWeight, 2) + " g d" + trusses;
  if (glue) text += (extra ? ", " : " e ") + Decimal(bridge.glueWeight, 2) + " g de cola";
  if (extra) text += " e " + Decimal(bridge.extraWeight, 2) + " g de peso extra";
  return text;
}

std::string IndependentMotions(std::size_t mechanisms) {
  return Plural(static_cast<long long>(mechanisms),
                "movimento independente que as barras não impedem",
                "movimentos independentes que as barras não impedem");
}

std::string MaterialOrigin(const StrandMaterial& m) {
  switch (m.origin) {
    case StrandMaterial::Origin::kBundled:
      break;
    case StrandMaterial::Origin::kFile:
      return "o espaguete da equipe, de " + m.file;
    case StrandMaterial::Origin::kBesideModel:
      return "o espaguete da equipe, de " + m.file + ", encontrado ao lado do modelo";
  }
  return "o espaguete padrão do quivor (" + ValueText(m, 0) + "; " + ValueText(m, 1) + "; " +
         ValueText(m, 2) + "), sem dispersão: as estimativas esperada e conservadora são iguais";
}

std::string ValueText(const StrandMaterial& m, int value) {
  const ValueNote& note = value == 0 ? m.tension : value == 1 ? m.buckling : m.weight;
  std::string text;
  if (value == 0) {
    text = "tração " + ShortDecimal(m.expected.tension, 4) + " kgf por fio";
  } else if (value == 1) {
    text = "K da flambagem " + ShortDecimal(m.expected.bucklingConstant, 4) + " kgf·cm²";
  } else {
    text = ShortDecimal(m.expected.linearWeight, 6) + " g/cm por fio";
  }
  if (m.bundled()) return text;
  if (value < 2 && note.characteristic) {
    text += ", característico " +
            ShortDecimal(value == 0 ? m.conservative.tension : m.conservative.bucklingConstant, 4);
  } else if (value < 2 && note.given) {
    text += ", sem valor característico (a estimativa conservadora usa a média)";
  }
  if (!note.given) return text + " (o padrão do quivor: o arquivo não o dá)";
  return note.note.empty() ? text : text + " — " + note.note;
}

std::string SizingText(const StrandMaterial& material) {
  return material.sizeWithMaterial
             ? "os fios de cada barra contados com os valores médios do material "
               "(--dimensionar-com-material), com os coeficientes de segurança do modelo"
             : "os fios de cada barra pela regra do quivor, com os coeficientes de segurança do "
               "modelo";
}

}  // namespace quivor::study
