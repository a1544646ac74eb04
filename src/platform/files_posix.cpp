// POSIX body of the companion's files: names are the bytes they are.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "platform/files.hpp"
#include "platform/files_seam.hpp"
#include "platform/platform.hpp"

namespace quivor::files {

Outcome FromSystemCode(int code) {
  Outcome outcome{Cause::kOther, code, {}};
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      outcome.cause = Cause::kNotFound;
      break;
    case EACCES:
    case EPERM:
      outcome.cause = Cause::kPermission;
      break;
    case ENOSPC:
    case EDQUOT:
      outcome.cause = Cause::kDiskFull;
      break;
    case EROFS:
      outcome.cause = Cause::kReadOnly;
      break;
    case ENAMETOOLONG:
      outcome.cause = Cause::kNameTooLong;
      break;
    case EISDIR:
      outcome.cause = Cause::kFolder;
      break;
    case ELOOP:
      outcome.cause = Cause::kLinkLoop;
      break;
    case EEXIST:
      outcome.cause = Cause::kExists;
      break;
    case ENOMEM:
      outcome.cause = Cause::kNoMemory;
      break;
    default:
      break;
  }
  if (ToldWithSystemText(outcome.cause)) outcome.systemText = std::strerror(code);
  return outcome;
}

namespace {

// Writes everything, or gives the error code; `failAfter` cuts the write
// short as a full disk would (the test seam).
int WriteAll(int fd, std::string_view bytes, std::optional<std::size_t> failAfter) {
  std::size_t allowed = failAfter ? std::min(*failAfter, bytes.size()) : bytes.size();
  const char* data = bytes.data();
  while (allowed > 0) {
    const ssize_t put = ::write(fd, data, allowed);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += put;
    allowed -= static_cast<std::size_t>(put);
  }
  return failAfter ? ENOSPC : 0;
}

// Where the bytes of `name` go: the file a link leads to when there is one,
// otherwise the name itself.
std::string Destination(const std::string& name) {
  struct stat entry {};
  if (::lstat(name.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return name;
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (resolved == nullptr) return name;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// Gives the temporary the name `name`; an entry of that name is replaced
// only when allowed.
int PutInPlace(const std::string& temporary, const std::string& name, bool replace) {
  if (TakeRenameFailure()) return EACCES;
  if (replace) return ::rename(temporary.c_str(), name.c_str()) == 0 ? 0 : errno;
  // A hard link never replaces: it fails when the name is taken, whatever
  // takes it. A file system without hard links gets a check and a rename.
  if (::link(temporary.c_str(), name.c_str()) == 0) {
    ::unlink(temporary.c_str());
    return 0;
  }
  const int code = errno;
  if (code != EPERM && code != ENOTSUP && code != EOPNOTSUPP && code != EMLINK && code != EXDEV) {
    return code;
  }
  if (Exists(name)) return EEXIST;
  return ::rename(temporary.c_str(), name.c_str()) == 0 ? 0 : errno;
}

// Flushes the folder's entries, so that the rename outlives a power cut too.
void FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

// The temporary being written, removed by a signal that ends the process
// (Ctrl+C, a terminal closed, a kill that can be caught) so that nothing is
// left behind: a name in a fixed buffer and a flag, as a handler may read
// them.
char interruptedTemporary[PATH_MAX + 1];
volatile sig_atomic_t writingTemporary = 0;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporaryAndEnd(int signal) {
  if (writingTemporary != 0) ::unlink(interruptedTemporary);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// Installed once, for the signals whose default ends the process; a signal
// the caller set aside (ignored or handled) is left to it.
void CatchEndingSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int signal : kEndingSignals) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction handler {};
    handler.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&handler.sa_mask);
    (void)::sigaction(signal, &handler, nullptr);
  }
}

// The temporary a signal removes while it is ours: marked as it is created,
// with the ending signals held back meanwhile, so that no signal falls
// between its creation and its mark.
class PendingTemporary {
 public:
  PendingTemporary() { CatchEndingSignals(); }
  ~PendingTemporary() { writingTemporary = 0; }
  PendingTemporary(const PendingTemporary&) = delete;
  PendingTemporary& operator=(const PendingTemporary&) = delete;

  // Creates the file (open's result), marked when it was created.
  int Create(const std::string& name) {
    sigset_t ending;
    sigset_t before;
    sigemptyset(&ending);
    for (const int signal : kEndingSignals) sigaddset(&ending, signal);
    (void)::sigprocmask(SIG_BLOCK, &ending, &before);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int openError = errno;
    if (fd >= 0 && name.size() < sizeof interruptedTemporary) {
      std::memcpy(interruptedTemporary, name.c_str(), name.size() + 1);
      writingTemporary = 1;
    }
    (void)::sigprocmask(SIG_SETMASK, &before, nullptr);
    errno = openError;
    return fd;
  }
};

}  // namespace

Outcome WriteWhole(const std::string& name, std::string_view bytes, bool replace) {
  if (HasNul(name) || name.empty()) return Problem(Cause::kBadName);
  const std::string target = replace ? Destination(name) : name;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty() || base == "." || base == "..") return Problem(Cause::kFolder);
  const std::string stem = (slash == std::string::npos ? "" : folder) + TemporaryStem(base);

  // A temporary of our own: a new name, created here and now.
  std::string temporary;
  int fd = -1;
  PendingTemporary pending;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = stem + RandomLetters();
    fd = pending.Create(temporary);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return FromSystemCode(errno);
  // A file that is replaced keeps its permissions.
  struct stat earlier {};
  if (replace && ::stat(target.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
    (void)::fchmod(fd, earlier.st_mode & 07777);
  }

  int code = WriteAll(fd, bytes, TakeWriteFailure());
  if (code == 0 && ::fsync(fd) != 0 && errno != EINVAL) code = errno;
  if (::close(fd) != 0 && code == 0 && errno != EINTR) code = errno;
  if (code == 0) code = PutInPlace(temporary, target, replace);
  if (code != 0) {
    ::unlink(temporary.c_str());
    return FromSystemCode(code);
  }
  FlushFolder(folder);
  return {};
}

bool Exists(const std::string& name) {
  struct stat entry {};
  return !HasNul(name) && ::lstat(name.c_str(), &entry) == 0;
}

std::string FullPath(const std::string& name) { return platform::FullPath(name); }

ReadResult ReadWhole(const std::string& name, std::size_t limit) {
  ReadResult result;
  if (HasNul(name) || name.empty()) {
    result.outcome = Problem(Cause::kBadName);
    return result;
  }
  // Without O_NONBLOCK the open of a FIFO waits for a writer: it is refused
  // as soon as it is seen.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.outcome = FromSystemCode(errno);
    return result;
  }
  struct stat about {};
  if (::fstat(fd, &about) != 0) {
    result.outcome = FromSystemCode(errno);
  } else if (S_ISDIR(about.st_mode)) {
    result.outcome = Problem(Cause::kFolder);
  } else if (!S_ISREG(about.st_mode)) {
    result.outcome = Problem(Cause::kNotRegular);
  } else if (static_cast<std::size_t>(about.st_size) > limit) {
    result.outcome = Problem(Cause::kTooLarge);
  }
  if (!result.outcome.ok()) {
    ::close(fd);
    return result;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags != -1) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  try {
    // A file may grow while it is read: never more than the limit and a byte.
    result.text.resize(static_cast<std::size_t>(about.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
      if (have == result.text.size()) {
        if (have > limit) {
          result.outcome = Problem(Cause::kTooLarge);
          break;
        }
        result.text.resize(std::min(limit + 1, std::max<std::size_t>(have * 2, 1 << 16)));
      }
      const ssize_t got = ::read(fd, result.text.data() + have, result.text.size() - have);
      if (got < 0) {
        if (errno == EINTR) continue;
        result.outcome = FromSystemCode(errno);
        break;
      }
      if (got == 0) break;
      have += static_cast<std::size_t>(got);
    }
    result.text.resize(have);
    if (result.outcome.ok() && have > limit) result.outcome = Problem(Cause::kTooLarge);
  } catch (const std::bad_alloc&) {
    result.outcome = Problem(Cause::kNoMemory);
  }
  ::close(fd);
  if (!result.outcome.ok()) result.text.clear();
  return result;
}

Listing ListFolder(const std::string& folder) {
  Listing listing;
  if (HasNul(folder)) {
    listing.outcome = Problem(Cause::kBadName);
    return listing;
  }
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    const int code = errno;
    struct stat about {};
    // A name that is there and is not a folder; ENOTDIR also stands for a
    // missing folder on the path.
    const bool there = code == ENOTDIR && ::stat(folder.c_str(), &about) == 0;
    listing.outcome = there ? Outcome{Cause::kNotFolder, code, {}} : FromSystemCode(code);
    return listing;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) listing.outcome = FromSystemCode(errno);
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    listing.entries.push_back({std::string(name), true});
  }
  ::closedir(dir);
  return listing;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

}  // namespace quivor::files
