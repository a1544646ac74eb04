// Windows body of the desktop: ShellExecute and the file's attributes.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// <shellapi.h> needs what <windows.h> defines first.
#include <shellapi.h>

#include "platform/desktop.hpp"
#include "platform/windows_text.hpp"

namespace quivor::desktop {
namespace {

// The companion's names are UTF-8 on our side.
std::wstring Widen(const std::string& name) { return platform::Widen(name, CP_UTF8); }

}  // namespace

bool OpenInBrowser(const std::string& name) {
  const HINSTANCE done =
      ::ShellExecuteW(nullptr, L"open", Widen(name).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(done) > 32;
}

std::optional<std::int64_t> ModificationStamp(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA about{};
  if (::GetFileAttributesExW(Widen(name).c_str(), GetFileExInfoStandard, &about) == 0) {
    return std::nullopt;
  }
  const std::int64_t written =
      (static_cast<std::int64_t>(about.ftLastWriteTime.dwHighDateTime) << 32) |
      about.ftLastWriteTime.dwLowDateTime;
  return written + static_cast<std::int64_t>(about.nFileSizeLow) * 7;
}

void SleepMilliseconds(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace quivor::desktop
