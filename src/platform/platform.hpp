// The few operations the program needs from the operating system.
//
// One header, a POSIX body and a Windows body; CMake picks the body. Every
// call that can fail captures the system's error code at once and returns it
// already mapped to the message number of the fatal error report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/failure.hpp"

namespace quivor::platform {

// An open file; kNoFile when closed.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

struct OpenResult {
  FileHandle file = kNoFile;
  Failure failure;
};

struct ReadResult {
  std::size_t count = 0;  // 0 at the end of the input
  Failure failure;
};

// Opens an existing file for reading. A folder is refused (permission denied).
OpenResult OpenForReading(const std::string& name, int unit);
// Creates the file, or empties an existing one, for writing.
OpenResult CreateForWriting(const std::string& name, int unit);
ReadResult ReadBytes(FileHandle file, char* buffer, std::size_t capacity, int unit);
Failure WriteBytes(FileHandle file, const char* data, std::size_t size, int unit);
void CloseFile(FileHandle file);

// The console: raw bytes, never translated (our CR LF goes out as it is).
void WriteConsole(std::string_view bytes);
void WriteError(std::string_view bytes);
ReadResult ReadConsole(char* buffer, std::size_t capacity);

// The working folder joined with the name, in the platform's separator; no
// link is resolved.
std::string FullPath(const std::string& name);
// The system's own text for an error code, in single-byte characters.
std::string SystemErrorText(int code);
// Zeroed storage for the arrays of a run; nullptr when the system refuses it.
// Blocks of kLargeBlock bytes or more come straight from the system, which
// zeroes them; on Linux they start on a 2 MiB boundary, ask for huge pages and
// are made present at once, which spares most of the faults of first touch.
// There, small blocks that follow a freed large block are cut from its first
// huge page, which stays until they are freed.
// FreeZeroed takes back a block with the byte count it was asked for.
inline constexpr std::size_t kLargeBlock = std::size_t{2} << 20;
void* AllocateZeroed(std::size_t bytes);
void FreeZeroed(void* storage, std::size_t bytes);

// Ends the process with the given status.
[[noreturn]] void ExitProcess(unsigned status);

// Test seam: while set, the next call of the named kind fails with the given
// system error code instead of reaching the system.
enum class Operation { kOpenRead, kCreate, kRead, kWrite };
void SimulateFailure(Operation operation, int systemError);
void ClearSimulatedFailures();

}  // namespace quivor::platform
