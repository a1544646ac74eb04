// The Windows platform layer: error mapping on open, Windows-1252 names, full
// paths, raw console bytes, the exit status, the test seam.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef WriteConsole
#undef ReadConsole

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.hpp"
#include "working_folder_test_fixture.hpp"

namespace quivor::platform {
namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(PlatformTest, OpenFailuresMapToTheirReportNumbers) {
  std::filesystem::create_directory("folder.txt");
  std::ofstream("plain") << "x";
  struct Case {
    std::string name;
    ErrorNumber expected;
    int systemError;
  } cases[] = {
      {"missing.txt", ErrorNumber::kFileNotFound, ERROR_FILE_NOT_FOUND},
      {"nofolder/missing.txt", ErrorNumber::kFileNotFound, ERROR_PATH_NOT_FOUND},
      {"nofolder\\missing.txt", ErrorNumber::kFileNotFound, ERROR_PATH_NOT_FOUND},
      {"folder.txt", ErrorNumber::kPermissionDenied, ERROR_ACCESS_DENIED},
      {"ponte?.txt", ErrorNumber::kFileNameError, ERROR_INVALID_NAME},
      {"ponte*.txt", ErrorNumber::kFileNameError, ERROR_INVALID_NAME},
      {"a<b.txt", ErrorNumber::kFileNameError, ERROR_INVALID_NAME},
      {std::string("nul\0inside", 10), ErrorNumber::kFileNameError, 0},
  };
  for (const Case& c : cases) {
    OpenResult opened = OpenForReading(c.name, 1);
    EXPECT_EQ(opened.file, kNoFile) << c.name;
    EXPECT_EQ(opened.failure.number, c.expected) << c.name;
    EXPECT_EQ(opened.failure.systemError, c.systemError) << c.name;
    EXPECT_EQ(opened.failure.unit, 1);
  }
  OpenResult created = CreateForWriting("folder.txt", 2);
  EXPECT_EQ(created.failure.number, ErrorNumber::kPermissionDenied);
  EXPECT_EQ(created.failure.unit, 2);
  created = CreateForWriting("ponte?.rtf", 2);
  EXPECT_EQ(created.failure.number, ErrorNumber::kFileNameError);
}

TEST_F(PlatformTest, AFileInUseElsewhereIsAnOpenFailure) {
  // Another holder that shares nothing: neither reading nor writing gets in.
  HANDLE holder = ::CreateFileW(L"ponte.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  OpenResult opened = OpenForReading("ponte.txt", 1);
  EXPECT_EQ(opened.failure.number, ErrorNumber::kOpenFailure);
  EXPECT_EQ(opened.failure.systemError, ERROR_SHARING_VIOLATION);
  OpenResult created = CreateForWriting("ponte.txt", 2);
  EXPECT_EQ(created.failure.number, ErrorNumber::kOpenFailure);
  EXPECT_EQ(created.failure.systemError, ERROR_SHARING_VIOLATION);
  ::CloseHandle(holder);

  // While we read the model, others may read it too but not write it.
  opened = OpenForReading("ponte.txt", 1);
  ASSERT_FALSE(opened.failure.failed());
  HANDLE reader = ::CreateFileW(L"ponte.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  ::CloseHandle(reader);
  HANDLE writer = ::CreateFileW(L"ponte.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  CloseFile(opened.file);
}

TEST_F(PlatformTest, SimulatedErrorsMapLikeRealOnes) {
  struct Case {
    int code;
    ErrorNumber expected;
  } cases[] = {
      {ERROR_ACCESS_DENIED, ErrorNumber::kPermissionDenied},
      {ERROR_FILE_NOT_FOUND, ErrorNumber::kFileNotFound},
      {ERROR_PATH_NOT_FOUND, ErrorNumber::kFileNotFound},
      {ERROR_INVALID_NAME, ErrorNumber::kFileNameError},
      {ERROR_SHARING_VIOLATION, ErrorNumber::kOpenFailure},
      {ERROR_TOO_MANY_OPEN_FILES, ErrorNumber::kOpenFailure},
      {ERROR_FILENAME_EXCED_RANGE, ErrorNumber::kOpenFailure},
      {ERROR_LOCK_VIOLATION, ErrorNumber::kOpenFailure},
  };
  std::ofstream("ponte.txt") << "3\r\n";
  for (const Case& c : cases) {
    SimulateFailure(Operation::kOpenRead, c.code);
    OpenResult opened = OpenForReading("ponte.txt", 1);
    EXPECT_EQ(opened.failure.number, c.expected) << c.code;
    EXPECT_EQ(opened.failure.systemError, c.code);
    SimulateFailure(Operation::kCreate, c.code);
    OpenResult created = CreateForWriting("ponte.rtf", 2);
    EXPECT_EQ(created.failure.number, c.expected) << c.code;
  }
  EXPECT_FALSE(std::filesystem::exists("ponte.rtf"));
  // The seam fails one call only.
  OpenResult opened = OpenForReading("ponte.txt", 1);
  ASSERT_FALSE(opened.failure.failed());
  CloseFile(opened.file);
}

TEST_F(PlatformTest, WritesReadsAndOverwritesBytesUntranslated) {
  OpenResult created = CreateForWriting("ponte.rtf", 2);
  ASSERT_FALSE(created.failure.failed());
  ASSERT_FALSE(WriteBytes(created.file, "old report, longer\r\n", 20, 2).failed());
  CloseFile(created.file);
  created = CreateForWriting("ponte.rtf", 2);
  ASSERT_FALSE(WriteBytes(created.file, "new\r\nlf\n\x1A\xE7\r\n", 12, 2).failed());
  CloseFile(created.file);
  EXPECT_EQ(FileBytes("ponte.rtf"), "new\r\nlf\n\x1A\xE7\r\n");

  OpenResult opened = OpenForReading("ponte.rtf", 1);
  ASSERT_FALSE(opened.failure.failed());
  char buffer[64];
  ReadResult got = ReadBytes(opened.file, buffer, sizeof buffer, 1);
  EXPECT_FALSE(got.failure.failed());
  EXPECT_EQ(std::string(buffer, got.count), "new\r\nlf\n\x1A\xE7\r\n");
  got = ReadBytes(opened.file, buffer, sizeof buffer, 1);
  EXPECT_EQ(got.count, 0u);
  EXPECT_FALSE(got.failure.failed());
  CloseFile(opened.file);
}

TEST_F(PlatformTest, WriteAndReadFailuresKeepTheSystemCode) {
  OpenResult created = CreateForWriting("ponte.rtf", 2);
  SimulateFailure(Operation::kWrite, ERROR_DISK_FULL);
  Failure failed = WriteBytes(created.file, "x", 1, 2);
  EXPECT_EQ(failed.number, ErrorNumber::kWriteError);
  EXPECT_EQ(failed.systemError, ERROR_DISK_FULL);
  CloseFile(created.file);

  OpenResult opened = OpenForReading("ponte.rtf", 1);
  SimulateFailure(Operation::kRead, ERROR_CRC);
  char buffer[8];
  ReadResult got = ReadBytes(opened.file, buffer, sizeof buffer, 1);
  EXPECT_EQ(got.failure.number, ErrorNumber::kReadError);
  EXPECT_EQ(got.failure.systemError, ERROR_CRC);
  CloseFile(opened.file);

  // A handle opened for reading refuses a write: the system's own failure.
  opened = OpenForReading("ponte.rtf", 1);
  failed = WriteBytes(opened.file, "x", 1, 1);
  EXPECT_EQ(failed.number, ErrorNumber::kWriteError);
  EXPECT_EQ(failed.systemError, ERROR_ACCESS_DENIED);
  CloseFile(opened.file);
}

// Typed names are Windows-1252 whatever the console's code page: ç, ã and the
// euro sign reach the file system as the characters they stand for.
TEST_F(PlatformTest, NamesAreWindows1252) {
  const std::string name = "ponte\xE7\xE3o \x80.rtf";
  const std::wstring wide = L"ponte\u00E7\u00E3o \u20AC.rtf";
  OpenResult created = CreateForWriting(name, 2);
  ASSERT_FALSE(created.failure.failed());
  CloseFile(created.file);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(wide)));
  OpenResult opened = OpenForReading(name, 1);
  EXPECT_FALSE(opened.failure.failed());
  CloseFile(opened.file);

  const std::string beside = FullPath("x");
  EXPECT_EQ(FullPath(name), beside.substr(0, beside.size() - 1) + name);
}

TEST_F(PlatformTest, FullPathJoinsTheWorkingFolderWithBackslashes) {
  wchar_t current[MAX_PATH];
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_GT(length, 0u);
  std::string folder;
  for (DWORD i = 0; i < length; ++i) folder += static_cast<char>(current[i]);  // ASCII here
  struct Case {
    std::string name;
    std::string expected;
  } cases[] = {
      {"ponte.txt", folder + "\\ponte.txt"},
      {"ponte 1.txt", folder + "\\ponte 1.txt"},
      {"obras/ponte.txt", folder + "\\obras\\ponte.txt"},
      {"C:\\obras\\ponte.txt", "C:\\obras\\ponte.txt"},
      // What follows a NUL byte is named too, as typed.
      {std::string("pon\0te.txt", 10), folder + "\\pon" + std::string("\0te.txt", 7)},
      {std::string("\0/x.txt", 7), folder + "\\" + std::string("\0\\x.txt", 7)},
  };
  for (const Case& c : cases) EXPECT_EQ(FullPath(c.name), c.expected) << c.name;
}

TEST(SystemErrorText, IsOneLineOfTheSystemsWords) {
  for (int code : {ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_CRC}) {
    std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code << ": " << text;
    EXPECT_NE(text.back(), ' ') << code;
  }
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "Unknown error 805306367");
}

// Standard output and input are the handles, in binary: CR LF goes out once,
// and a redirected input that runs dry is the end of the input.
TEST_F(PlatformTest, ConsoleBytesAreRaw) {
  HANDLE file = ::CreateFileW(L"console.out", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ::SetStdHandle(STD_OUTPUT_HANDLE, file);
  WriteConsole(" ponte\r\n\n\xE7\r\n");
  ::SetStdHandle(STD_OUTPUT_HANDLE, output);
  ::CloseHandle(file);
  EXPECT_EQ(FileBytes("console.out"), " ponte\r\n\n\xE7\r\n");

  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_NE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0), 0);
  DWORD put = 0;
  ::WriteFile(writeEnd, "ponte\r\n", 7, &put, nullptr);
  ::CloseHandle(writeEnd);
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  ::SetStdHandle(STD_INPUT_HANDLE, readEnd);
  char buffer[16];
  ReadResult first = ReadConsole(buffer, sizeof buffer);
  ReadResult last = ReadConsole(buffer + first.count, sizeof buffer - first.count);
  ::SetStdHandle(STD_INPUT_HANDLE, input);
  ::CloseHandle(readEnd);
  EXPECT_EQ(std::string(buffer, first.count), "ponte\r\n");
  EXPECT_FALSE(first.failure.failed());
  EXPECT_EQ(last.count, 0u);
  EXPECT_FALSE(last.failure.failed());
}

// The whole 32-bit status reaches the parent; seen from Linux through Wine it
// is cut to its low byte, the message number.
TEST(ExitProcess, EndsWithTheWholeStatus) {
  EXPECT_EXIT(ExitProcess(0xC000001Du), ::testing::ExitedWithCode(static_cast<int>(0xC000001Du)),
              "");
  EXPECT_EXIT(ExitProcess(0u), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quivor::platform
