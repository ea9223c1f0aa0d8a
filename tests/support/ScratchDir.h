// A temporary folder for test scripts and chart files, removed with everything in it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = testing::TempDir() + "corvane-XXXXXX";
    if (mkdtemp(&tmpl[0]) != nullptr) path_ = tmpl;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // Writes bytes to the file name inside the folder and returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string full = path_ + "/" + name;
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }

 private:
  std::string path_;
};
