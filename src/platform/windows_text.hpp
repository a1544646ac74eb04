// What the Windows bodies of the platform layer share: our byte strings, in
// a given code page, as the system's UTF-16, and text for a standard handle
// (characters for a console, the bytes as they are for anything else).
// Included after <windows.h>.
#pragma once

#include <string>
#include <string_view>

namespace quivor::platform {

std::wstring Widen(std::string_view text, UINT codePage);
// The reverse: UTF-16 as bytes of the code page (a character it cannot
// hold becomes its replacement).
std::string Narrow(std::wstring_view wide, UINT codePage);

// `which`: STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. Failures are let go.
void WriteText(DWORD which, std::string_view bytes, UINT codePage);

}  // namespace quivor::platform
