// The companion command's files: what it reads, lists and writes.
//
// Names are UTF-8 on our side; the Windows body hands them to the system as
// UTF-16, the POSIX body as the bytes they are. Every file is written whole
// or not at all: the bytes go to a temporary file beside the destination
// (".NAME.tmp-XXXXXX"), are flushed to the disk, and then take the
// destination's name in one rename. A failure removes the temporary and
// leaves an earlier file as it was; a process killed mid-write leaves at most
// the temporary.
//
// Nothing here throws but std::bad_alloc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quivor::files {

// Why an operation failed, in the few kinds the messages tell apart.
enum class Cause {
  kNone,
  kNotFound,     // the file, or a folder on its path, is missing (or a dangling link)
  kPermission,   // the system refuses access
  kDiskFull,     // no room left (or the user's quota is used up)
  kReadOnly,     // a read-only file system
  kNameTooLong,  // a name, or a part of it, the file system cannot hold
  kFolder,       // the name is a folder
  kNotFolder,    // a folder was wanted and the name is something else
  kLinkLoop,     // symbolic links that lead to each other
  kExists,       // a new file's name is already taken
  kNotRegular,   // a device, a FIFO or a socket where a file was wanted
  kTooLarge,     // more bytes than the reader takes
  kBadName,      // a name the system cannot take (a NUL byte, a character it refuses)
  kNoMemory,     // the bytes do not fit in memory
  kOther,        // anything else: the system's own text says what
};

struct Outcome {
  Cause cause = Cause::kNone;
  int code = 0;            // the system's error code (errno, GetLastError); 0 when none
  std::string systemText;  // the system's own text for it, in UTF-8; may be empty

  [[nodiscard]] bool ok() const { return cause == Cause::kNone; }
};

// The outcome of a system error code (errno, GetLastError).
Outcome FromSystemCode(int code);

// The cause in Portuguese, with the system's own text after it where that
// adds something: "disco cheio (No space left on device)".
std::string InWords(const Outcome& outcome);

// Writes the file whole or not at all. With `replace` false an existing entry
// of that name (even a link to nothing) is never replaced: kExists. A name
// that is a link to an existing file writes the file it leads to.
Outcome WriteWhole(const std::string& name, std::string_view bytes, bool replace = true);

// Whether the name is taken by any entry of its folder (a link is not
// followed: a link to nothing takes its name too).
bool Exists(const std::string& name);

// The working folder joined with the name, in the system's separator, as a
// message shows where a file was looked for; no link is resolved.
std::string FullPath(const std::string& name);

// Reads a regular file whole, refusing at once a folder (kFolder), anything
// else that is not a regular file (kNotRegular) and a file of more than
// `limit` bytes (kTooLarge).
struct ReadResult {
  std::string text;
  Outcome outcome;
};
ReadResult ReadWhole(const std::string& name, std::size_t limit);

// The entries of a folder, without "." and "..", in no given order. An entry
// whose name the system cannot give in UTF-8 has `convertible` false and a
// name with its unconvertible characters replaced.
struct FolderEntry {
  std::string name;
  bool convertible = true;
};
struct Listing {
  std::vector<FolderEntry> entries;
  Outcome outcome;
};
Listing ListFolder(const std::string& folder);

// The command line's arguments in UTF-8: on Windows from the system's UTF-16
// command line, elsewhere as given.
std::vector<std::string> Arguments(int argc, char** argv);

// Whether the entry name is one of our temporaries (".NAME.tmp-XXXXXX").
bool IsTemporaryName(std::string_view entry);

// Test seam: a later WriteWhole (the next one, or the one after `skipped`
// others) fails as a full disk once `afterBytes` bytes of its temporary are
// written, or when it renames the temporary (permission denied). Cleared by
// ClearSimulated and by the failure it causes.
void SimulateWriteFailure(std::size_t afterBytes, int skipped = 0);
void SimulateRenameFailure(int skipped = 0);
void ClearSimulated();

}  // namespace quivor::files
