// Test helpers for files: whole contents as bytes, and a fresh path in the test temp folder.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A path named after the running test, so tests run in parallel never share a file.
inline std::string TestFilePath(const std::string& ext) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return ::testing::TempDir() + "/corvane_" + name + ext;
}
