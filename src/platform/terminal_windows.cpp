// Windows body of the UTF-8 console: a console gets UTF-16 characters, any
// other handle the UTF-8 bytes.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "platform/terminal.hpp"

namespace quivor::terminal {
namespace {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

void Write(DWORD which, std::string_view utf8) {
  HANDLE handle = ::GetStdHandle(which);
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode) != 0) {
    const std::wstring wide = Widen(utf8, CP_UTF8);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      const DWORD piece = static_cast<DWORD>(rest.size() < 8192 ? rest.size() : 8192);
      DWORD put = 0;
      if (::WriteConsoleW(handle, rest.data(), piece, &put, nullptr) == 0 || put == 0) return;
      rest.remove_prefix(put);
    }
    return;
  }
  while (!utf8.empty()) {
    const DWORD piece = static_cast<DWORD>(utf8.size() < (1u << 30) ? utf8.size() : (1u << 30));
    DWORD put = 0;
    if (::WriteFile(handle, utf8.data(), piece, &put, nullptr) == 0 || put == 0) return;
    utf8.remove_prefix(put);
  }
}

}  // namespace

void WriteOut(std::string_view utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
void WriteErr(std::string_view utf8) { Write(STD_ERROR_HANDLE, utf8); }

std::string NameInUtf8(const std::string& name) {
  // quivor's platform layer hands names to the system as Windows-1252.
  const std::wstring wide = Widen(name, 1252);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace quivor::terminal
