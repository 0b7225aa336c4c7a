// Volumes made on the fly: a temporary folder tree mapped to a drive letter, with WIN.INI in a
// temporary Windows directory and the current directory put back afterwards.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "include/kvrun32.h"
#include "runtime/platform/drive_map.h"

namespace kivtest {

class TempTree {
 public:
  TempTree() {
    char templ[] = "/tmp/kivplatXXXXXX";
    root_ = mkdtemp(templ);
    chmod(root_.c_str(), 0755);
  }
  ~TempTree() {
    std::error_code ec;
    // Give every folder its permissions back so the tree can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }
  std::string path(const std::string& rel) const { return root_ + "/" + rel; }

  void dir(const std::string& rel) { std::filesystem::create_directories(path(rel)); }
  void file(const std::string& rel, size_t size = 0) {
    std::filesystem::create_directories(std::filesystem::path(path(rel)).parent_path());
    std::ofstream out(path(rel), std::ios::binary);
    out << std::string(size, 'x');
  }
  void link(const std::string& rel, const std::string& target) {
    ASSERT_EQ(symlink(target.c_str(), path(rel).c_str()), 0);
  }

 private:
  std::string root_;
};

// A drive letter pinned to a temporary tree for the test's lifetime; the settings folder
// points at an empty temporary Windows directory so no real WIN.INI interferes.
class PinnedDrive {
 public:
  explicit PinnedDrive(char letter, kiv::platform::DrivePin pin = {}) : letter_(letter) {
    if (pin.folder.empty()) pin.folder = tree.root();
    setenv("XDG_CONFIG_HOME", settings.root().c_str(), 1);
    kiv::platform::pinDrive(letter, pin);
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) cwd_ = cwd;
  }
  ~PinnedDrive() {
    if (!cwd_.empty() && chdir(cwd_.c_str()) != 0) perror("chdir");
    kiv::platform::unpinDrive(letter_);
    unsetenv("XDG_CONFIG_HOME");
    kiv::platform::reloadDrives();
  }
  // "X:\" followed by `rest`.
  std::string at(const std::string& rest = "") const {
    return std::string(1, letter_) + ":\\" + rest;
  }
  void writeWinIni(const std::string& text) {
    settings.dir("kvrun32");
    std::ofstream(settings.path("kvrun32/WIN.INI")) << text;
    kiv::platform::reloadDrives();
  }

  TempTree tree;
  TempTree settings;

 private:
  char letter_;
  std::string cwd_;
};

// "X:\" of a letter the drive map leaves unmapped (searched from Y: down).
inline std::string unmappedRoot() {
  for (char l = 'Y'; l > 'C'; --l)
    if (!kiv::platform::driveOf(l)) return std::string(1, l) + ":\\";
  return "?:\\";
}

}  // namespace kivtest
