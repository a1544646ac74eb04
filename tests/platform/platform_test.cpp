// The POSIX platform layer: error mapping on open, full paths, the test seam.
#include "platform/platform.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "working_folder_test_fixture.hpp"

namespace quivor::platform {
namespace {

TEST_F(PlatformTest, OpenFailuresMapToTheirReportNumbers) {
  std::filesystem::create_directory("folder.txt");
  std::ofstream("plain") << "x";
  struct Case {
    std::string name;
    ErrorNumber expected;
  } cases[] = {
      {"missing.txt", ErrorNumber::kFileNotFound},
      {"nofolder/missing.txt", ErrorNumber::kFileNotFound},
      {"plain/below.txt", ErrorNumber::kFileNotFound},  // ENOTDIR
      {"folder.txt", ErrorNumber::kPermissionDenied},
      {std::string(5000, 'a'), ErrorNumber::kFileNameError},
      {std::string("nul\0inside", 10), ErrorNumber::kFileNameError},
  };
  for (const Case& c : cases) {
    OpenResult opened = OpenForReading(c.name, 1);
    EXPECT_EQ(opened.file, kNoFile) << c.name.substr(0, 40);
    EXPECT_EQ(opened.failure.number, c.expected) << c.name.substr(0, 40);
    EXPECT_EQ(opened.failure.unit, 1);
  }
  OpenResult created = CreateForWriting("folder.txt", 2);
  EXPECT_EQ(created.failure.number, ErrorNumber::kPermissionDenied);
  EXPECT_EQ(created.failure.unit, 2);
}

TEST_F(PlatformTest, SimulatedErrorsMapLikeRealOnes) {
  struct Case {
    int code;
    ErrorNumber expected;
  } cases[] = {
      {EACCES, ErrorNumber::kPermissionDenied}, {EPERM, ErrorNumber::kPermissionDenied},
      {ENOENT, ErrorNumber::kFileNotFound},     {ENAMETOOLONG, ErrorNumber::kFileNameError},
      {EINVAL, ErrorNumber::kFileNameError},    {EBUSY, ErrorNumber::kOpenFailure},
      {EMFILE, ErrorNumber::kOpenFailure}};
  std::ofstream("ponte.txt") << "3\n";
  for (const Case& c : cases) {
    SimulateFailure(Operation::kOpenRead, c.code);
    OpenResult opened = OpenForReading("ponte.txt", 1);
    EXPECT_EQ(opened.failure.number, c.expected) << c.code;
    EXPECT_EQ(opened.failure.systemError, c.code);
  }
  // The seam fails one call only.
  OpenResult opened = OpenForReading("ponte.txt", 1);
  ASSERT_FALSE(opened.failure.failed());
  CloseFile(opened.file);
}

TEST_F(PlatformTest, WritesReadsAndOverwrites) {
  OpenResult created = CreateForWriting("ponte.rtf", 2);
  ASSERT_FALSE(created.failure.failed());
  ASSERT_FALSE(WriteBytes(created.file, "old report, longer\r\n", 20, 2).failed());
  CloseFile(created.file);
  created = CreateForWriting("ponte.rtf", 2);
  ASSERT_FALSE(WriteBytes(created.file, "new\r\n", 5, 2).failed());
  CloseFile(created.file);

  OpenResult opened = OpenForReading("ponte.rtf", 1);
  ASSERT_FALSE(opened.failure.failed());
  char buffer[64];
  ReadResult got = ReadBytes(opened.file, buffer, sizeof buffer, 1);
  EXPECT_EQ(std::string(buffer, got.count), "new\r\n");
  EXPECT_EQ(ReadBytes(opened.file, buffer, sizeof buffer, 1).count, 0u);
  CloseFile(opened.file);
}

TEST_F(PlatformTest, WriteAndReadFailuresKeepTheSystemCode) {
  OpenResult created = CreateForWriting("ponte.rtf", 2);
  SimulateFailure(Operation::kWrite, ENOSPC);
  Failure failed = WriteBytes(created.file, "x", 1, 2);
  EXPECT_EQ(failed.number, ErrorNumber::kWriteError);
  EXPECT_EQ(failed.systemError, ENOSPC);
  CloseFile(created.file);

  OpenResult opened = OpenForReading("ponte.rtf", 1);
  SimulateFailure(Operation::kRead, EIO);
  char buffer[8];
  ReadResult got = ReadBytes(opened.file, buffer, sizeof buffer, 1);
  EXPECT_EQ(got.failure.number, ErrorNumber::kReadError);
  EXPECT_EQ(got.failure.systemError, EIO);
  CloseFile(opened.file);
}

TEST_F(PlatformTest, WritingToAFullDeviceFails) {
  std::filesystem::create_symlink("/dev/full", "ponte.rtf");
  OpenResult created = CreateForWriting("ponte.rtf", 2);
  ASSERT_FALSE(created.failure.failed());
  Failure failed = WriteBytes(created.file, "x\r\n", 3, 2);
  EXPECT_EQ(failed.number, ErrorNumber::kWriteError);
  EXPECT_EQ(failed.systemError, ENOSPC);
  CloseFile(created.file);
}

TEST_F(PlatformTest, FullPathJoinsTheWorkingFolderWithoutResolvingLinks) {
  std::string folder = std::filesystem::current_path().string();
  EXPECT_EQ(FullPath("ponte.txt"), folder + "/ponte.txt");
  EXPECT_EQ(FullPath("ponte 1.txt"), folder + "/ponte 1.txt");
  EXPECT_EQ(FullPath("../x/ponte.txt"), folder + "/../x/ponte.txt");
  EXPECT_EQ(FullPath("/abs/ponte.txt"), "/abs/ponte.txt");
}

TEST(SystemErrorText, GivesTheSystemsWords) {
  EXPECT_EQ(SystemErrorText(ENOSPC), std::string(std::strerror(ENOSPC)));
  EXPECT_FALSE(SystemErrorText(EIO).empty());
}

}  // namespace
}  // namespace quivor::platform
