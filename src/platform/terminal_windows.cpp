// Windows body of the UTF-8 console: a console gets UTF-16 characters, any
// other handle the UTF-8 bytes.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "platform/terminal.hpp"
#include "platform/windows_text.hpp"

namespace quivor::terminal {

void WriteOut(std::string_view utf8) { platform::WriteText(STD_OUTPUT_HANDLE, utf8, CP_UTF8); }
void WriteErr(std::string_view utf8) { platform::WriteText(STD_ERROR_HANDLE, utf8, CP_UTF8); }

bool ErrIsConsole() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string NameInUtf8(const std::string& name) {
  // quivor's platform layer hands names to the system as Windows-1252.
  const std::wstring wide = platform::Widen(name, 1252);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace quivor::terminal
