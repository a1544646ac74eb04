// Fatal error reports.
#include "main/fatal_error.hpp"

#include <string>

#include "platform/platform.hpp"

namespace quivor {
namespace {

// The message text of each number; "%d" is the unit, "%s" the file.
std::string_view MessageText(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::kPermissionDenied:
      return "permission to access file denied";
    case ErrorNumber::kEndOfFile:
      return "end-of-file during read";
    case ErrorNumber::kFileNotFound:
      return "file not found";
    case ErrorNumber::kOpenFailure:
      return "open failure";
    case ErrorNumber::kWriteError:
      return "error during write";
    case ErrorNumber::kReadError:
      return "error during read";
    case ErrorNumber::kNoMemory:
      return "insufficient virtual memory";
    case ErrorNumber::kFileNameError:
      return "file name specification error";
    case ErrorNumber::kSyntaxError:
      return "list-directed I/O syntax error";
    case ErrorNumber::kConversionError:
      return "input conversion error";
    case ErrorNumber::kNone:
      break;
  }
  return "unknown error";
}

// Only these reports are preceded by the system's own text.
bool ShowsSystemText(ErrorNumber number) {
  return number == ErrorNumber::kOpenFailure || number == ErrorNumber::kWriteError ||
         number == ErrorNumber::kReadError;
}

}  // namespace

std::string FatalReportText(const Failure& failure, std::string_view fileName) {
  std::string text;
  if (ShowsSystemText(failure.number) && failure.systemError != 0) {
    text += "forrtl: ";
    text += platform::SystemErrorText(failure.systemError);
    text += "\r\n";
  }
  text += "forrtl: severe (";
  text += std::to_string(static_cast<int>(failure.number));
  text += "): ";
  text += MessageText(failure.number);
  if (failure.number != ErrorNumber::kNoMemory) {
    text += ", unit ";
    text += std::to_string(failure.unit);
    text += ", file ";
    text += fileName;
  }
  text += "\r\n";
  return text;
}

void ReportFatalError(const Failure& failure, std::string_view fileName) {
  platform::WriteError(FatalReportText(failure, fileName));
  platform::ExitProcess(0xC0000000u + static_cast<unsigned>(failure.number));
}

}  // namespace quivor
