// A fresh working folder for each test of the platform layer, left and
// removed afterwards; the same for both bodies.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// <windows.h> maps these two names to their A/W variants; ours are plain.
#undef WriteConsole
#undef ReadConsole
#else
#include <unistd.h>
#endif

#include "platform/platform.hpp"

namespace quivor::platform {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    const auto process = ::GetCurrentProcessId();
#else
    const auto process = ::getpid();
#endif
    folder_ = std::filesystem::temp_directory_path() /
              ("quivor-platform-" + std::to_string(process) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    ClearSimulatedFailures();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

}  // namespace quivor::platform
