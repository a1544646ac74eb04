// POSIX body of the platform layer.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>

#include "platform/platform.hpp"
#include "platform/simulated_failure.hpp"

namespace quivor::platform {
namespace {

ErrorNumber OpenErrorNumber(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EISDIR:
      return ErrorNumber::kPermissionDenied;
    case ENOENT:
    case ENOTDIR:
      return ErrorNumber::kFileNotFound;
    case ENAMETOOLONG:
    case EINVAL:
      return ErrorNumber::kFileNameError;
    default:
      return ErrorNumber::kOpenFailure;
  }
}

OpenResult Open(const std::string& name, int flags, int unit, Operation operation) {
  // A name with a NUL byte would be cut short by the system: not a valid name.
  if (name.find('\0') != std::string::npos) {
    return {kNoFile, {ErrorNumber::kFileNameError, unit, 0}};
  }
  int code = TakeSimulated(operation);
  if (code != 0) return {kNoFile, {OpenErrorNumber(code), unit, code}};
  // Without O_NONBLOCK, opening a FIFO that no process holds open at its
  // other end waits for one, forever. With it, the model reads as an empty
  // file and the results open is refused (ENXIO). Reads and writes wait as
  // usual: the flag is cleared once the file is open.
  int fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    code = errno;
    return {kNoFile, {OpenErrorNumber(code), unit, code}};
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return {kNoFile, {ErrorNumber::kPermissionDenied, unit, EISDIR}};
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  return {fd, kSuccess};
}

ReadResult Read(int fd, char* buffer, std::size_t capacity, int unit, Operation operation) {
  int code = TakeSimulated(operation);
  if (code != 0) return {0, {ErrorNumber::kReadError, unit, code}};
  for (;;) {
    ssize_t got = ::read(fd, buffer, capacity);
    if (got >= 0) return {static_cast<std::size_t>(got), kSuccess};
    if (errno == EINTR) continue;
    code = errno;
    return {0, {ErrorNumber::kReadError, unit, code}};
  }
}

int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

}  // namespace

OpenResult OpenForReading(const std::string& name, int unit) {
  return Open(name, O_RDONLY, unit, Operation::kOpenRead);
}

OpenResult CreateForWriting(const std::string& name, int unit) {
  return Open(name, O_WRONLY | O_CREAT | O_TRUNC, unit, Operation::kCreate);
}

ReadResult ReadBytes(FileHandle file, char* buffer, std::size_t capacity, int unit) {
  return Read(static_cast<int>(file), buffer, capacity, unit, Operation::kRead);
}

Failure WriteBytes(FileHandle file, const char* data, std::size_t size, int unit) {
  int code = TakeSimulated(Operation::kWrite);
  if (code == 0) code = WriteAll(static_cast<int>(file), data, size);
  if (code != 0) return {ErrorNumber::kWriteError, unit, code};
  return kSuccess;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) ::close(static_cast<int>(file));
}

// A console that has gone away cannot be told so; its output is dropped.
void WriteConsole(std::string_view bytes) {
  (void)WriteAll(STDOUT_FILENO, bytes.data(), bytes.size());
}

void WriteError(std::string_view bytes) {
  (void)WriteAll(STDERR_FILENO, bytes.data(), bytes.size());
}

ReadResult ReadConsole(char* buffer, std::size_t capacity) {
  return Read(STDIN_FILENO, buffer, capacity, kConsoleUnit, Operation::kRead);
}

std::string FullPath(const std::string& name) {
  std::string folder;
  std::array<char, 4096> small{};
  if (::getcwd(small.data(), small.size()) != nullptr) {
    folder = small.data();
  } else {
    // A working folder deeper than the small buffer: let the system size it.
    char* large = ::getcwd(nullptr, 0);
    if (large != nullptr) {
      folder = large;
      std::free(large);
    }
  }
  if (!name.empty() && name.front() == '/') return name;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + name;
}

namespace {

// The GNU and the XSI strerror_r differ in their result (the text, or 0 when
// it was put in the buffer): a template, so that only the one that applies
// is compiled.
template <class Result>
std::string ErrorText(Result result, const char* buffer, int code) {
  if constexpr (std::is_same_v<Result, char*>) {
    return result;
  } else {
    if (result != 0) return "Unknown error " + std::to_string(code);
    return buffer;
  }
}

}  // namespace

std::string SystemErrorText(int code) {
  std::array<char, 256> text{};
  return ErrorText(::strerror_r(code, text.data(), text.size()), text.data(), code);
}

// Under AddressSanitizer every block stays on the C heap, where the
// sanitizer watches its bounds.
#if defined(__SANITIZE_ADDRESS__)
#define QUIVOR_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUIVOR_HEAP_ONLY 1
#endif
#endif

namespace {

#ifdef QUIVOR_HEAP_ONLY
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif

bool IsLarge(std::size_t bytes) { return !kHeapOnly && bytes >= kLargeBlock; }

// The length mapped for a large block: whole pages, and a whole last huge
// page when the block would use at least half of it (then the tail comes as
// one huge page too, for at most 1 MiB of memory never used). 0 when the
// length does not fit.
std::size_t MappedLength(std::size_t bytes) {
  const std::size_t unit = bytes % kLargeBlock >= kLargeBlock / 2
                               ? kLargeBlock
                               : static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  if (bytes > SIZE_MAX - unit) return 0;
  return (bytes + unit - 1) / unit * unit;
}

// A large block given back while the run goes on (the solver's scratch)
// keeps its first huge page mapped, and the small blocks that follow are cut
// from it, cleared, instead of coming from new heap pages: its pages are
// present already, while each new small page costs a fault (several
// microseconds in a virtual machine). The rest of the block goes back at
// once, so that the memory of the run does not grow; the page goes back when
// the last block cut from it is freed, or when another large block replaces
// it before any was cut.
constexpr std::size_t kLeastCut = 4096;
constexpr std::size_t kCutAlignment = 64;

struct KeptBlock {
  char* base = nullptr;
  std::size_t length = 0;  // mapped
  std::size_t cut = 0;     // bytes handed out, from the start
  std::size_t live = 0;    // blocks handed out and not yet freed

  bool Holds(const void* storage) const {
    const char* at = static_cast<const char*>(storage);
    return base != nullptr && at >= base && at < base + length;
  }
  void Release() {
    if (base != nullptr) munmap(base, length);
    *this = KeptBlock{};
  }
};

std::mutex keptMutex;
KeptBlock kept;

// A small block cut from the kept block, or nullptr when none has room.
void* CutFromKept(std::size_t bytes) {
  if (kHeapOnly || bytes < kLeastCut) return nullptr;
  const std::lock_guard lock(keptMutex);
  const std::size_t rounded = (bytes + kCutAlignment - 1) / kCutAlignment * kCutAlignment;
  if (kept.base == nullptr || kept.length - kept.cut < rounded) return nullptr;
  char* const block = kept.base + kept.cut;
  kept.cut += rounded;
  ++kept.live;
  std::memset(block, 0, bytes);
  return block;
}

}  // namespace

void* AllocateZeroed(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(PTRDIFF_MAX)) return nullptr;  // no object is larger
  if (!IsLarge(bytes)) {
    if (void* block = CutFromKept(bytes)) return block;
    return std::calloc(bytes != 0 ? bytes : 1, 1);
  }
  // Map one huge page more than needed, then give back the unaligned head
  // and whatever lies beyond the mapped length. Only the aligned 2 MiB
  // stretches inside the mapping can become huge pages.
  const std::size_t length = MappedLength(bytes);
  if (length == 0 || length > SIZE_MAX - kLargeBlock) return nullptr;
  void* mapped = mmap(nullptr, length + kLargeBlock, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* const base = static_cast<char*>(mapped);
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(base);
  const std::size_t head = (kLargeBlock - address % kLargeBlock) % kLargeBlock;
  char* const start = base + head;
  if (head != 0) munmap(base, head);
  munmap(start + length, kLargeBlock - head);
#ifdef MADV_HUGEPAGE
  madvise(start, length, MADV_HUGEPAGE);  // only advice: a refusal changes nothing
#endif
#ifdef MADV_POPULATE_WRITE
  // Every large array is written whole soon after: its pages are made present
  // now, in one call, instead of one fault each (a fault is dear in a virtual
  // machine). An older kernel refuses the advice and the pages come on first
  // touch as before.
  madvise(start, length, MADV_POPULATE_WRITE);
#endif
  return start;
}

void FreeZeroed(void* storage, std::size_t bytes) {
  if (storage == nullptr) return;
  if (!IsLarge(bytes)) {
    {
      const std::lock_guard lock(keptMutex);
      if (kept.Holds(storage)) {
        if (--kept.live == 0) kept.Release();
        return;
      }
    }
    std::free(storage);
    return;
  }
  char* const start = static_cast<char*>(storage);
  const std::size_t length = MappedLength(bytes);
  const std::lock_guard lock(keptMutex);
  if (kept.live != 0) {
    munmap(start, length);
    return;
  }
  kept.Release();
  kept = KeptBlock{start, std::min(length, kLargeBlock)};
  if (length > kept.length) munmap(start + kept.length, length - kept.length);
}

void ExitProcess(unsigned status) { std::_Exit(static_cast<int>(status & 0xFFu)); }

}  // namespace quivor::platform
