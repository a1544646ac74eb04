// Windows body of the companion's files: names are UTF-8 on our side and
// UTF-16 at every system call.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// <shellapi.h> needs what <windows.h> defines first.
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <new>
#include <optional>
#include <string>

#include "platform/files.hpp"
#include "platform/files_seam.hpp"
#include "platform/shown_text.hpp"
#include "platform/windows_text.hpp"

namespace quivor::files {
namespace {

// WriteFile and ReadFile count in DWORD; larger transfers go in pieces.
constexpr std::size_t kLargestTransfer = 1u << 30;

std::string Utf8(std::wstring_view wide, bool* exact = nullptr) {
  if (exact != nullptr) *exact = true;
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  // A lone surrogate has no UTF-8 form: told apart when asked, otherwise
  // replaced.
  if (exact != nullptr && ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size,
                                                nullptr, 0, nullptr, nullptr) == 0) {
    *exact = false;
  }
  return platform::Narrow(wide, CP_UTF8);
}

std::wstring Wide(const std::string& name) { return platform::Widen(name, CP_UTF8); }

std::string SystemText(DWORD code) {
  std::array<wchar_t, 512> text{};
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text.data(), static_cast<DWORD>(text.size()), nullptr);
  std::wstring message;
  for (wchar_t c : std::wstring_view(text.data(), length)) {
    if (c != L'\r') message += c == L'\n' ? L' ' : c;
  }
  while (!message.empty() && (message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  return Utf8(message);
}

Outcome LastFailure() { return FromSystemCode(static_cast<int>(::GetLastError())); }

bool IsFolderName(const std::wstring& name) {
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Writes everything, or gives the error code; `failAfter` cuts the write
// short as a full disk would (the test seam).
DWORD WriteAll(HANDLE handle, std::string_view bytes, std::optional<std::size_t> failAfter) {
  std::size_t allowed = failAfter ? std::min(*failAfter, bytes.size()) : bytes.size();
  const char* data = bytes.data();
  while (allowed > 0) {
    const DWORD piece = static_cast<DWORD>(std::min(allowed, kLargestTransfer));
    DWORD put = 0;
    if (::WriteFile(handle, data, piece, &put, nullptr) == 0) return ::GetLastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    data += put;
    allowed -= put;
  }
  return failAfter ? ERROR_DISK_FULL : 0;
}

}  // namespace

Outcome FromSystemCode(int code) {
  Outcome outcome{Cause::kOther, code, {}};
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      outcome.cause = Cause::kNotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      outcome.cause = Cause::kPermission;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      outcome.cause = Cause::kDiskFull;
      break;
    case ERROR_WRITE_PROTECT:
      outcome.cause = Cause::kReadOnly;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
      outcome.cause = Cause::kNameTooLong;
      break;
    case ERROR_DIRECTORY:
      outcome.cause = Cause::kNotFolder;
      break;
    case ERROR_CANT_RESOLVE_FILENAME:
      outcome.cause = Cause::kLinkLoop;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      outcome.cause = Cause::kExists;
      break;
    case ERROR_INVALID_NAME:
      outcome.cause = Cause::kBadName;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      outcome.cause = Cause::kNoMemory;
      break;
    default:
      break;
  }
  if (ToldWithSystemText(outcome.cause)) outcome.systemText = SystemText(static_cast<DWORD>(code));
  return outcome;
}

Outcome WriteWhole(const std::string& name, std::string_view bytes, bool replace) {
  if (HasNul(name) || name.empty()) return Problem(Cause::kBadName);
  const std::size_t slash = name.find_last_of("/\\:");
  const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.empty() || base == "." || base == "..") return Problem(Cause::kFolder);
  const std::wstring target = Wide(name);
  if (replace && IsFolderName(target)) return Problem(Cause::kFolder);

  // A temporary of our own: a new name, created here and now.
  std::wstring temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = Wide(folder + TemporaryStem(base) + RandomLetters());
    handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) return LastFailure();

  DWORD code = WriteAll(handle, bytes, TakeWriteFailure());
  if (code == 0 && ::FlushFileBuffers(handle) == 0) code = ::GetLastError();
  if (::CloseHandle(handle) == 0 && code == 0) code = ::GetLastError();
  if (code == 0 && TakeRenameFailure()) code = ERROR_ACCESS_DENIED;
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (code == 0 && ::MoveFileExW(temporary.c_str(), target.c_str(), flags) == 0) {
    code = ::GetLastError();
  }
  if (code != 0) {
    ::DeleteFileW(temporary.c_str());
    return FromSystemCode(static_cast<int>(code));
  }
  return {};
}

bool Exists(const std::string& name) {
  // The attributes of a link are its own: a link to nothing is there.
  return !HasNul(name) && ::GetFileAttributesW(Wide(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FullPath(const std::string& name) {
  // A name that is not UTF-8 has no UTF-16 form: the working folder is
  // resolved, and the name's own bytes follow it, as a message shows them.
  const bool utf8 = terminal::IsValidUtf8(name);
  const std::wstring wide = Wide(utf8 ? name : std::string("."));
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (HasNul(name) || size == 0) return name;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return name;
  full.resize(length);
  return utf8 ? Utf8(full) : Utf8(full) + "\\" + name;
}

ReadResult ReadWhole(const std::string& name, std::size_t limit) {
  ReadResult result;
  if (HasNul(name) || name.empty()) {
    result.outcome = Problem(Cause::kBadName);
    return result;
  }
  const std::wstring wide = Wide(name);
  HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    result.outcome = code == ERROR_ACCESS_DENIED && IsFolderName(wide)
                         ? Problem(Cause::kFolder)
                         : FromSystemCode(static_cast<int>(code));
    return result;
  }
  LARGE_INTEGER size{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(handle, &info) != 0 &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    result.outcome = Problem(Cause::kFolder);
  } else if (::GetFileType(handle) != FILE_TYPE_DISK) {
    result.outcome = Problem(Cause::kNotRegular);
  } else if (::GetFileSizeEx(handle, &size) == 0) {
    result.outcome = LastFailure();
  } else if (static_cast<unsigned long long>(size.QuadPart) > limit) {
    result.outcome = Problem(Cause::kTooLarge);
  }
  if (!result.outcome.ok()) {
    ::CloseHandle(handle);
    return result;
  }
  try {
    // A file may grow while it is read: never more than the limit and a byte.
    result.text.resize(static_cast<std::size_t>(size.QuadPart) + 1);
    std::size_t have = 0;
    for (;;) {
      if (have == result.text.size()) {
        if (have > limit) break;
        result.text.resize(std::min(limit + 1, std::max<std::size_t>(have * 2, 1 << 16)));
      }
      const DWORD wanted =
          static_cast<DWORD>(std::min(result.text.size() - have, kLargestTransfer));
      DWORD got = 0;
      if (::ReadFile(handle, result.text.data() + have, wanted, &got, nullptr) == 0) {
        const DWORD code = ::GetLastError();
        if (code != ERROR_HANDLE_EOF) result.outcome = FromSystemCode(static_cast<int>(code));
        break;
      }
      if (got == 0) break;
      have += got;
    }
    result.text.resize(have);
    if (result.outcome.ok() && have > limit) result.outcome = Problem(Cause::kTooLarge);
  } catch (const std::bad_alloc&) {
    result.outcome = Problem(Cause::kNoMemory);
  }
  ::CloseHandle(handle);
  if (!result.outcome.ok()) result.text.clear();
  return result;
}

Listing ListFolder(const std::string& folder) {
  Listing listing;
  if (HasNul(folder)) {
    listing.outcome = Problem(Cause::kBadName);
    return listing;
  }
  std::string pattern = folder.empty() ? std::string(".") : folder;
  if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(Wide(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    // An empty folder (its "." and ".." aside, which a drive's root lacks).
    if (code == ERROR_FILE_NOT_FOUND) return listing;
    const DWORD attributes = ::GetFileAttributesW(Wide(folder).c_str());
    listing.outcome =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
            ? Outcome{Cause::kNotFolder, static_cast<int>(code), {}}
            : FromSystemCode(static_cast<int>(code));
    return listing;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    bool exact = true;
    std::string utf8 = Utf8(name, &exact);
    listing.entries.push_back({std::move(utf8), exact});
  } while (::FindNextFileW(search, &found) != 0);
  const DWORD code = ::GetLastError();
  if (code != ERROR_NO_MORE_FILES) listing.outcome = FromSystemCode(static_cast<int>(code));
  ::FindClose(search);
  return listing;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
  }
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace quivor::files
