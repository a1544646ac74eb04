// The outcome of an operation that can end the run with a fatal error report.
//
// A failing routine returns a Failure holding the message number of the report
// and the unit it concerns; only the main program turns it into the report and
// the exit status. Model files, results files and the console are named by
// their unit number: 1, 2 and -4.
#pragma once

namespace quivor {

// Message numbers of the fatal error reports.
enum class ErrorNumber : int {
  kNone = 0,
  kPermissionDenied = 9,  // the file system refuses access on open
  kEndOfFile = 24,        // the input ends before a read has all its values
  kFileNotFound = 29,     // the model file, or a folder on its path, is missing
  kOpenFailure = 30,      // any other refusal on open
  kWriteError = 38,       // the file system refuses a write
  kReadError = 39,        // the file system refuses a read
  kNoMemory = 41,         // an array cannot be allocated
  kFileNameError = 43,    // the name is not valid for the file system
  kSyntaxError = 59,      // a malformed value in a free-form read
  kConversionError = 64,  // a well-formed value its item cannot hold
};

inline constexpr int kModelUnit = 1;
inline constexpr int kResultsUnit = 2;
inline constexpr int kConsoleUnit = -4;

struct Failure {
  ErrorNumber number = ErrorNumber::kNone;
  int unit = 0;
  int systemError = 0;  // the system's error code; 0 when it gave none

  [[nodiscard]] bool failed() const { return number != ErrorNumber::kNone; }
};

inline constexpr Failure kSuccess{};

}  // namespace quivor
