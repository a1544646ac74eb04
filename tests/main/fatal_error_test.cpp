// Fatal error report lines, byte for byte.
#include "main/fatal_error.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/platform.hpp"

namespace quivor {
namespace {

// The line of the system's own words that comes before the report line.
std::string SystemLine(int code) {
  std::string line = "forrtl: ";
  line += platform::SystemErrorText(code);
  line += "\r\n";
  return line;
}

TEST(FatalReportText, ReportLines) {
  struct Case {
    Failure failure;
    const char* file;
    std::string expected;
  } cases[] = {
      {{ErrorNumber::kFileNotFound, 1, ENOENT},
       "/obras/ponte.txt",
       "forrtl: severe (29): file not found, unit 1, file /obras/ponte.txt\r\n"},
      {{ErrorNumber::kPermissionDenied, 2, EISDIR},
       "/obras/ponte.rtf",
       "forrtl: severe (9): permission to access file denied, unit 2, file /obras/ponte.rtf\r\n"},
      {{ErrorNumber::kEndOfFile, -4, 0},
       "CONIN$",
       "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r\n"},
      {{ErrorNumber::kNoMemory, 0, 0}, "", "forrtl: severe (41): insufficient virtual memory\r\n"},
      {{ErrorNumber::kFileNameError, 1, ENAMETOOLONG},
       "/a.txt",
       "forrtl: severe (43): file name specification error, unit 1, file /a.txt\r\n"},
      {{ErrorNumber::kSyntaxError, 1, 0},
       "/a.txt",
       "forrtl: severe (59): list-directed I/O syntax error, unit 1, file /a.txt\r\n"},
      {{ErrorNumber::kConversionError, 1, 0},
       "/a.txt",
       "forrtl: severe (64): input conversion error, unit 1, file /a.txt\r\n"},
      // The system's own text (the platform's words for the code) comes first
      // for 30, 38 and 39 only.
      {{ErrorNumber::kWriteError, 2, ENOSPC},
       "/a.rtf",
       SystemLine(ENOSPC) + "forrtl: severe (38): error during write, unit 2, file /a.rtf\r\n"},
      {{ErrorNumber::kReadError, 1, EIO},
       "/a.txt",
       SystemLine(EIO) + "forrtl: severe (39): error during read, unit 1, file /a.txt\r\n"},
      {{ErrorNumber::kOpenFailure, 1, EBUSY},
       "/a.txt",
       SystemLine(EBUSY) + "forrtl: severe (30): open failure, unit 1, file /a.txt\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FatalReportText(c.failure, c.file), c.expected);
  }
}

}  // namespace
}  // namespace quivor
