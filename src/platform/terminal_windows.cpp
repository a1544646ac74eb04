// Windows body of the UTF-8 console: a console gets and gives UTF-16
// characters, any other handle the UTF-8 bytes.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/shown_text.hpp"
#include "platform/terminal.hpp"
#include "platform/windows_text.hpp"

namespace quivor::terminal {
namespace {

files::Outcome outputFailure;

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle, &mode) != 0;
}

// Writes everything, or gives the error code.
DWORD WriteAll(HANDLE handle, std::string_view utf8) {
  if (IsConsole(handle)) {
    // WriteConsoleW takes a limited amount at a time.
    constexpr std::size_t kPiece = 8192;
    const std::wstring wide = platform::Widen(utf8, CP_UTF8);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD put = 0;
      const DWORD piece = static_cast<DWORD>(std::min(rest.size(), kPiece));
      if (::WriteConsoleW(handle, rest.data(), piece, &put, nullptr) == 0) return ::GetLastError();
      if (put == 0) return ERROR_WRITE_FAULT;
      rest.remove_prefix(put);
    }
    return 0;
  }
  while (!utf8.empty()) {
    DWORD put = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1u << 30));
    if (::WriteFile(handle, utf8.data(), piece, &put, nullptr) == 0) return ::GetLastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    utf8.remove_prefix(put);
  }
  return 0;
}

// What a console gave in UTF-8 and was not taken yet.
std::string typedAhead;

}  // namespace

void WriteOut(std::string_view utf8) {
  const DWORD code = WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), MendedUtf8(utf8));
  if (code != 0 && outputFailure.ok())
    outputFailure = files::FromSystemCode(static_cast<int>(code));
}

// Standard error that has gone away cannot be told so.
void WriteErr(std::string_view utf8) {
  (void)WriteAll(::GetStdHandle(STD_ERROR_HANDLE), MendedUtf8(utf8));
}

bool ErrIsConsole() { return IsConsole(::GetStdHandle(STD_ERROR_HANDLE)); }

std::string NameInUtf8(const std::string& name) { return ShownText(name); }

bool OutputFailed() { return !outputFailure.ok(); }
files::Outcome OutputFailure() { return outputFailure; }
void ForgetOutputFailure() { outputFailure = {}; }

std::size_t ReadIn(char* buffer, std::size_t capacity) {
  HANDLE handle = ::GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(handle)) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    if (::ReadFile(handle, buffer, wanted, &got, nullptr) == 0) return 0;
    return got;
  }
  if (typedAhead.empty()) {
    std::array<wchar_t, 1024> typed{};
    DWORD got = 0;
    if (::ReadConsoleW(handle, typed.data(), static_cast<DWORD>(typed.size()), &got, nullptr) ==
            0 ||
        got == 0) {
      return 0;
    }
    // Ctrl+Z first on a line ends the console input, as it does for ReadFile.
    if (typed[0] == L'\x1A') return 0;
    typedAhead = platform::Narrow(std::wstring_view(typed.data(), got), CP_UTF8);
  }
  const std::size_t given = std::min(capacity, typedAhead.size());
  typedAhead.copy(buffer, given);
  typedAhead.erase(0, given);
  return given;
}

}  // namespace quivor::terminal
