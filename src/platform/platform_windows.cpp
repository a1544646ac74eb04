// Windows body of the platform layer.
//
// Everything goes through the Win32 handles, never through the C runtime's
// text mode, so CR LF is written as it is and nothing is added. Names, the
// system's texts and what a console shows or reads are single-byte
// Windows-1252 on our side and UTF-16 on the system's side, whatever the
// console's code page.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// <windows.h> maps these two names to their A/W variants; ours are plain.
#undef WriteConsole
#undef ReadConsole

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "platform/simulated_failure.hpp"
#include "platform/windows_text.hpp"

namespace quivor::platform {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  int length = ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

namespace {

// Names and texts are Windows-1252 bytes on our side.
constexpr UINT kSingleByteCodePage = 1252;

// A character Windows-1252 cannot hold becomes '?'.
std::string Narrow(std::wstring_view wide) { return platform::Narrow(wide, kSingleByteCodePage); }

// WriteFile and ReadFile count in DWORD; larger transfers go in pieces.
constexpr std::size_t kLargestTransfer = 1u << 30;

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle FromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

int LastError() { return static_cast<int>(::GetLastError()); }

ErrorNumber OpenErrorNumber(int code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
      return ErrorNumber::kPermissionDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ErrorNumber::kFileNotFound;
    case ERROR_INVALID_NAME:
      return ErrorNumber::kFileNameError;
    default:  // ERROR_SHARING_VIOLATION among them
      return ErrorNumber::kOpenFailure;
  }
}

bool IsFolder(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(handle, &info) != 0 &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

OpenResult Open(const std::string& name, DWORD access, DWORD disposition, int unit,
                Operation operation) {
  // A name with a NUL byte would be cut short by the system: not a valid name.
  if (name.find('\0') != std::string::npos) {
    return {kNoFile, {ErrorNumber::kFileNameError, unit, 0}};
  }
  int code = TakeSimulated(operation);
  if (code != 0) return {kNoFile, {OpenErrorNumber(code), unit, code}};
  // Others may read the file while we hold it, never write it.
  HANDLE handle = ::CreateFileW(Widen(name, kSingleByteCodePage).c_str(), access, FILE_SHARE_READ,
                                nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    code = LastError();
    return {kNoFile, {OpenErrorNumber(code), unit, code}};
  }
  // Windows refuses to open a folder this way; should a file system let it
  // through, it is refused here all the same.
  if (IsFolder(handle)) {
    ::CloseHandle(handle);
    return {kNoFile, {ErrorNumber::kPermissionDenied, unit, ERROR_ACCESS_DENIED}};
  }
  return {FromHandle(handle), kSuccess};
}

ReadResult Read(HANDLE handle, char* buffer, std::size_t capacity, int unit, Operation operation) {
  int code = TakeSimulated(operation);
  if (code != 0) return {0, {ErrorNumber::kReadError, unit, code}};
  DWORD got = 0;
  const DWORD wanted =
      static_cast<DWORD>(capacity < kLargestTransfer ? capacity : kLargestTransfer);
  if (::ReadFile(handle, buffer, wanted, &got, nullptr) != 0) return {got, kSuccess};
  code = LastError();
  // A pipe whose writer has gone is the end of the input, not a failure.
  // (ERROR_HANDLE_EOF is how some devices say the same.)
  if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return {0, kSuccess};
  return {0, {ErrorNumber::kReadError, unit, code}};
}

int WriteAll(HANDLE handle, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(size < kLargestTransfer ? size : kLargestTransfer);
    DWORD put = 0;
    if (::WriteFile(handle, data, piece, &put, nullptr) == 0) return LastError();
    // A handle that takes nothing and reports no error would loop for ever.
    if (put == 0) return ERROR_WRITE_FAULT;
    data += put;
    size -= put;
  }
  return 0;
}

// A console is a device of characters, not of bytes: what it shows and what
// is typed there go through UTF-16, so that our Windows-1252 text stands for
// the same characters whatever the console's code page (850 on a Brazilian
// Windows, where a typed "ç" would otherwise arrive as another byte).
// Redirected handles, pipes and files, take and give the bytes as they are.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(handle, &mode) != 0;
}

// Console output; CR LF stays as it is.
int WriteCharacters(HANDLE handle, std::string_view bytes, UINT codePage) {
  // WriteConsoleW takes a limited amount at a time.
  constexpr std::size_t kPiece = 8192;
  const std::wstring wide = Widen(bytes, codePage);
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    const DWORD piece = static_cast<DWORD>(rest.size() < kPiece ? rest.size() : kPiece);
    DWORD put = 0;
    if (::WriteConsoleW(handle, rest.data(), piece, &put, nullptr) == 0) return LastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    rest.remove_prefix(put);
  }
  return 0;
}

// One typed line, or the part of it that fits, with its CR LF.
ReadResult ReadCharacters(HANDLE handle, char* buffer, std::size_t capacity) {
  int code = TakeSimulated(Operation::kRead);
  if (code != 0) return {0, {ErrorNumber::kReadError, kConsoleUnit, code}};
  std::array<wchar_t, 1024> typed{};
  // Each UTF-16 unit gives at most one byte, so what is read fits the buffer.
  const DWORD wanted = static_cast<DWORD>(capacity < typed.size() ? capacity : typed.size());
  DWORD got = 0;
  if (::ReadConsoleW(handle, typed.data(), wanted, &got, nullptr) == 0) {
    code = LastError();
    return {0, {ErrorNumber::kReadError, kConsoleUnit, code}};
  }
  // Ctrl+Z first on a line ends the console input, as it does for ReadFile.
  if (got > 0 && typed[0] == L'\x1A') return {0, kSuccess};
  const std::string text = Narrow(std::wstring_view(typed.data(), got));
  text.copy(buffer, text.size());
  return {text.size(), kSuccess};
}

}  // namespace

void WriteText(DWORD which, std::string_view bytes, UINT codePage) {
  HANDLE handle = ::GetStdHandle(which);
  if (IsConsole(handle)) {
    (void)WriteCharacters(handle, bytes, codePage);
  } else {
    (void)WriteAll(handle, bytes.data(), bytes.size());
  }
}

OpenResult OpenForReading(const std::string& name, int unit) {
  return Open(name, GENERIC_READ, OPEN_EXISTING, unit, Operation::kOpenRead);
}

OpenResult CreateForWriting(const std::string& name, int unit) {
  return Open(name, GENERIC_WRITE, CREATE_ALWAYS, unit, Operation::kCreate);
}

ReadResult ReadBytes(FileHandle file, char* buffer, std::size_t capacity, int unit) {
  return Read(ToHandle(file), buffer, capacity, unit, Operation::kRead);
}

Failure WriteBytes(FileHandle file, const char* data, std::size_t size, int unit) {
  int code = TakeSimulated(Operation::kWrite);
  if (code == 0) code = WriteAll(ToHandle(file), data, size);
  if (code != 0) return {ErrorNumber::kWriteError, unit, code};
  return kSuccess;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) ::CloseHandle(ToHandle(file));
}

// A console that has gone away cannot be told so; its output is dropped.
void WriteConsole(std::string_view bytes) {
  WriteText(STD_OUTPUT_HANDLE, bytes, kSingleByteCodePage);
}

void WriteError(std::string_view bytes) { WriteText(STD_ERROR_HANDLE, bytes, kSingleByteCodePage); }

ReadResult ReadConsole(char* buffer, std::size_t capacity) {
  HANDLE handle = ::GetStdHandle(STD_INPUT_HANDLE);
  if (IsConsole(handle)) return ReadCharacters(handle, buffer, capacity);
  return Read(handle, buffer, capacity, kConsoleUnit, Operation::kRead);
}

std::string FullPath(const std::string& name) {
  // The system reads a name only up to a NUL byte, but the report names the
  // whole of it: the part after the NUL follows the resolved part as typed,
  // in the system's separator.
  const std::size_t cut = name.find('\0');
  if (cut != std::string::npos) {
    std::string tail = name.substr(cut);
    for (char& c : tail) {
      if (c == '/') c = '\\';
    }
    std::string head = FullPath(cut == 0 ? std::string(".") : name.substr(0, cut));
    if (cut == 0 && !head.empty() && head.back() != '\\') head += '\\';
    return head + tail;
  }
  const std::wstring wide = Widen(name, kSingleByteCodePage);
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  // The working folder may change between the two calls; try until it fits.
  while (size != 0) {
    std::wstring full(size, L'\0');
    DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0) break;
    if (length < size) {
      full.resize(length);
      return Narrow(full);
    }
    size = length;
  }
  return name;
}

std::string SystemErrorText(int code) {
  std::array<wchar_t, 512> text{};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, text.data(),
                                  static_cast<DWORD>(text.size()), nullptr);
  if (length == 0) return "Unknown error " + std::to_string(code);
  // The system ends its texts with a line end, and a few hold one inside: the
  // report line has room for neither, so an inner line end becomes a blank.
  std::wstring message;
  for (wchar_t c : std::wstring_view(text.data(), length)) {
    if (c != L'\r') message += c == L'\n' ? L' ' : c;
  }
  while (!message.empty() && message.back() == L' ') message.pop_back();
  return Narrow(message);
}

// Large blocks are committed pages, which the system zeroes as they are
// first touched; small ones come from the C heap.
void* AllocateZeroed(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(PTRDIFF_MAX)) return nullptr;  // no object is larger
  if (bytes < kLargeBlock) return std::calloc(bytes != 0 ? bytes : 1, 1);
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeZeroed(void* storage, std::size_t bytes) {
  if (storage == nullptr) return;
  if (bytes < kLargeBlock) {
    std::free(storage);
  } else {
    VirtualFree(storage, 0, MEM_RELEASE);
  }
}

void ExitProcess(unsigned status) { ::ExitProcess(status); }

}  // namespace quivor::platform
