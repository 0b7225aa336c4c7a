// A scratch folder per test, with the platform's Windows directory inside it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kiv_env_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    const char* old = getenv("XDG_CONFIG_HOME");
    hadConfig_ = old != nullptr;
    if (old) oldConfig_ = old;
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    ASSERT_EQ(getcwd(oldCwd_, sizeof oldCwd_), oldCwd_);
  }
  void TearDown() override {
    if (hadConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(chdir(oldCwd_), 0);
    std::filesystem::remove_all(root_);
  }

  std::string path(const std::string& name) const { return root_ + "/" + name; }
  std::string windowsDir() const { return root_ + "/config/kvrun32"; }

  static std::string readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void writeAll(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }

  std::string root_;

 private:
  bool hadConfig_ = false;
  std::string oldConfig_;
  char oldCwd_[4096] = {};
};
