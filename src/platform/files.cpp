// The parts of the companion's files that do not depend on the system: the
// causes in words, the temporaries' names and the test seam.
#include "platform/files.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files_seam.hpp"

namespace quivor::files {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kRandomLetters = 6;

// A pending failure and the writes to let pass before it; none when the
// count is negative.
struct Pending {
  int skipped = -1;
  std::size_t afterBytes = 0;
};
Pending pendingWrite;
Pending pendingRename;

// Whether the pending failure is due now; counts down otherwise.
bool Due(Pending& pending) {
  if (pending.skipped < 0) return false;
  return pending.skipped-- == 0;
}

}  // namespace

std::string InWords(const Outcome& outcome) {
  // The system's text follows where it says more than our words.
  auto with = [&](std::string words) {
    if (!outcome.systemText.empty()) words += " (" + outcome.systemText + ")";
    return words;
  };
  switch (outcome.cause) {
    case Cause::kNone:
      return "sem erro";
    case Cause::kNotFound:
      return "não encontrado";
    case Cause::kPermission:
      return "permissão negada";
    case Cause::kDiskFull:
      return with("disco cheio");
    case Cause::kReadOnly:
      return with("sistema de arquivos somente para leitura");
    case Cause::kNameTooLong:
      return "nome longo demais";
    case Cause::kFolder:
      return "é uma pasta";
    case Cause::kNotFolder:
      return "não é uma pasta";
    case Cause::kLinkLoop:
      return "laço de links simbólicos";
    case Cause::kExists:
      return "já existe";
    case Cause::kNotRegular:
      return "não é um arquivo comum (é um dispositivo, um FIFO ou um socket)";
    case Cause::kTooLarge:
      return "grande demais";
    case Cause::kBadName:
      return "nome inválido";
    case Cause::kNoMemory:
      return "memória insuficiente";
    case Cause::kOther:
      break;
  }
  if (!outcome.systemText.empty()) return outcome.systemText;
  return "erro " + std::to_string(outcome.code) + " do sistema";
}

bool IsTemporaryName(std::string_view entry) {
  const std::size_t mark = entry.rfind(kTemporaryMark);
  if (!entry.starts_with('.') || mark == std::string_view::npos) return false;
  return entry.size() - mark - kTemporaryMark.size() == kRandomLetters;
}

std::string TemporaryStem(std::string_view base) {
  std::string stem(".");
  stem.append(base);
  stem.append(kTemporaryMark);
  return stem;
}

std::string RandomLetters() {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  // A clock-seeded linear congruential sequence: the names need only differ
  // between calls and processes; a name that is taken is tried again.
  static std::uint64_t state = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  state = state * 6364136223846793005u + 1442695040888963407u;
  std::uint64_t bits = state >> 16;
  std::string letters;
  for (std::size_t i = 0; i < kRandomLetters; ++i) {
    letters += kLetters[bits % kLetters.size()];
    bits /= kLetters.size();
  }
  return letters;
}

std::optional<std::size_t> TakeWriteFailure() {
  if (!Due(pendingWrite)) return std::nullopt;
  return pendingWrite.afterBytes;
}

bool TakeRenameFailure() { return Due(pendingRename); }

void SimulateWriteFailure(std::size_t afterBytes, int skipped) {
  pendingWrite = {skipped, afterBytes};
}
void SimulateRenameFailure(int skipped) { pendingRename = {skipped, 0}; }
void ClearSimulated() {
  pendingWrite = {};
  pendingRename = {};
}

}  // namespace quivor::files
