// The companion's files: written whole or not at all, read within bounds,
// listed without stopping, their failures in words.
#include "platform/files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "study_main/scratch_folder.hpp"

#ifndef _WIN32
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quivor::files {
namespace {

using FilesTest = ScratchFolder;

const std::string kNew = "linha 1\nlinha 2\nlinha 3\n";
const std::string kEarlier = "o arquivo de antes\n";

// Writes over an earlier file, and over new names, are the commands' tests.
TEST_F(FilesTest, AFolderInTheWayIsSaid) {
  std::filesystem::create_directory("f.csv");
  EXPECT_FALSE(WriteWhole("f.csv", kNew).ok());
  EXPECT_TRUE(std::filesystem::is_directory("f.csv"));
  EXPECT_EQ(WriteWhole("falta/g.csv", kNew).cause, Cause::kNotFound);
  EXPECT_EQ(Entries(), std::set<std::string>{"f.csv"});
  EXPECT_EQ(WriteWhole(std::string("h\0.csv", 6), kNew).cause, Cause::kBadName);
}

TEST_F(FilesTest, ReadsAFileWithinTheLimit) {
  Put("m.txt", kNew);
  ReadResult read = ReadWhole("m.txt", kNew.size());
  EXPECT_TRUE(read.outcome.ok());
  EXPECT_EQ(read.text, kNew);
  read = ReadWhole("m.txt", kNew.size() - 1);
  EXPECT_EQ(read.outcome.cause, Cause::kTooLarge);
  EXPECT_TRUE(read.text.empty());
  EXPECT_EQ(ReadWhole("ausente.txt", 100).outcome.cause, Cause::kNotFound);
  std::filesystem::create_directory("pasta.txt");
  EXPECT_EQ(ReadWhole("pasta.txt", 100).outcome.cause, Cause::kFolder);
}

TEST_F(FilesTest, ListsAFolder) {
  Put("a.txt", kNew);
  std::filesystem::create_directory("b.TXT");
  Listing listing = ListFolder(".");
  ASSERT_TRUE(listing.outcome.ok());
  std::set<std::string> names;
  for (const FolderEntry& entry : listing.entries) names.insert(entry.name);
  EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.TXT"}));
  EXPECT_EQ(ListFolder("ausente").outcome.cause, Cause::kNotFound);
  EXPECT_EQ(ListFolder("a.txt").outcome.cause, Cause::kNotFolder);
  EXPECT_EQ(InWords(ListFolder("a.txt").outcome), "não é uma pasta");
}

#ifndef _WIN32
// Ctrl+C (or a kill that can be caught) at any moment of a write leaves the
// earlier file whole, or the new one whole, and never a temporary: a child
// writes a large file over an earlier one and is interrupted while it does.
TEST_F(FilesTest, AnInterruptedWriteLeavesNoTemporary) {
  const std::string large(std::size_t{256} << 20, 'x');
  for (const int delay : {0, 20000, 80000}) {
    SCOPED_TRACE(delay);
    Put("grande.html", kEarlier);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      (void)WriteWhole("grande.html", large);
      ::_exit(0);
    }
    ::usleep(static_cast<useconds_t>(delay));
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) || (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT));
    const std::string left = Bytes("grande.html");
    EXPECT_TRUE(left == kEarlier || left == large) << left.size() << " bytes left";
    EXPECT_EQ(Entries(), (std::set<std::string>{"grande.html"}));
  }
}
#endif

TEST(FilesWords, SaysWhatTheSystemSaidOrItsNumber) {
  EXPECT_EQ(InWords({Cause::kDiskFull, 0, "No space left on device"}),
            "disco cheio (No space left on device)");
  EXPECT_EQ(InWords({Cause::kOther, 5, "Input/output error"}), "Input/output error");
  EXPECT_EQ(InWords({Cause::kOther, 5, {}}), "erro 5 do sistema");
}

TEST(FilesWords, TemporariesAreRecognised) {
  EXPECT_TRUE(IsTemporaryName(".ponte.csv.tmp-a1b2c3"));
  EXPECT_FALSE(IsTemporaryName("ponte.csv.tmp-a1b2c3"));
  EXPECT_FALSE(IsTemporaryName(".ponte.csv"));
}

#ifndef _WIN32

// A link to nothing takes its name: a new file never goes where it leads.
TEST_F(FilesTest, ALinkToNothingIsAnExistingName) {
  ASSERT_EQ(::symlink("destino.txt", "sl.txt"), 0);
  EXPECT_TRUE(Exists("sl.txt"));
  EXPECT_EQ(WriteWhole("sl.txt", kNew, false).cause, Cause::kExists);
  EXPECT_EQ(Entries(), std::set<std::string>{"sl.txt"});
  EXPECT_EQ(ReadWhole("sl.txt", 100).outcome.cause, Cause::kNotFound);
}

// Replacing through a link writes the file it leads to, whole.
TEST_F(FilesTest, ALinkToAFileIsWrittenThrough) {
  std::filesystem::create_directory("outra");
  Put("outra/alvo.csv", kEarlier);
  ASSERT_EQ(::symlink("outra/alvo.csv", "l.csv"), 0);
  EXPECT_TRUE(WriteWhole("l.csv", kNew).ok());
  EXPECT_TRUE(std::filesystem::is_symlink("l.csv"));
  EXPECT_EQ(Bytes("outra/alvo.csv"), kNew);
}

TEST_F(FilesTest, AReplacedFileKeepsItsPermissions) {
  Put("p.csv", kEarlier);
  ASSERT_EQ(::chmod("p.csv", 0600), 0);
  EXPECT_TRUE(WriteWhole("p.csv", kNew).ok());
  struct stat about {};
  ASSERT_EQ(::stat("p.csv", &about), 0);
  EXPECT_EQ(about.st_mode & 0777, 0600u);
}

TEST_F(FilesTest, WhatIsNotARegularFileIsRefusedAtOnce) {
  ASSERT_EQ(::symlink("/dev/zero", "z.txt"), 0);
  EXPECT_EQ(ReadWhole("z.txt", 1 << 20).outcome.cause, Cause::kNotRegular);
  ASSERT_EQ(::mkfifo("fifo.txt", 0600), 0);
  EXPECT_EQ(ReadWhole("fifo.txt", 1 << 20).outcome.cause, Cause::kNotRegular);
  ASSERT_EQ(::symlink("laco.txt", "laco.txt"), 0);
  EXPECT_EQ(ReadWhole("laco.txt", 1 << 20).outcome.cause, Cause::kLinkLoop);
}

// A real full disk: a small tmpfs, where the machine lets the test mount
// one (as root); skipped elsewhere.
TEST_F(FilesTest, ARealFullDiskLeavesTheEarlierFile) {
  std::filesystem::create_directory("pequeno");
  if (::geteuid() != 0 || ::mount("tmpfs", "pequeno", "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here";
  }
  const std::string earlier(10'000, 'a');
  const std::string larger(200'000, 'b');
  Put("pequeno/r.csv", earlier);
  const Outcome outcome = WriteWhole("pequeno/r.csv", larger);
  const std::string after = Bytes("pequeno/r.csv");
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("pequeno")) {
    names.insert(entry.path().filename().string());
  }
  ::umount("pequeno");
  EXPECT_EQ(outcome.cause, Cause::kDiskFull);
  EXPECT_EQ(InWords(outcome), "disco cheio (No space left on device)");
  EXPECT_EQ(after, earlier);
  EXPECT_EQ(names, std::set<std::string>{"r.csv"});
}

#endif

}  // namespace
}  // namespace quivor::files
