// A fixture for engine tests that work on files: a directory of their own,
// removed afterwards, and a check that the test leaves no handle behind.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Movies.h"
#include "QTMLTestControls.h"
#include "leak_check.h"

class ScratchDirTest : public ::testing::Test {
 protected:
  // `prefix` names the directory under the system's temporary one.
  explicit ScratchDirTest(const std::string& prefix) : prefix_(prefix) {}

  void SetUp() override {
    ASSERT_EQ(EnterMovies(), noErr);
    dir_ = std::filesystem::temp_directory_path() / (prefix_ + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    leaks_.Start();
  }
  void TearDown() override {
    leaks_.Verify();
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Writes a file of the directory, making the folders its name has.
  void Write(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
  LeakCheck leaks_;
};
