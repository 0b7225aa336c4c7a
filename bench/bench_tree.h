// The tree of empty files the disk-walking benchmarks use: `groups` folders of
// `foldersPerGroup` folders of `filesPerFolder` files, every second file with a long name that
// needs an alternate (8.3) name.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

inline void MakeBenchTree(const std::string& root, int groups, int foldersPerGroup,
                          int filesPerFolder) {
  char name[64];
  for (int g = 0; g < groups; ++g) {
    for (int d = 0; d < foldersPerGroup; ++d) {
      snprintf(name, sizeof name, "/group%02d/Folder %02d", g, d);
      std::string folder = root + name;
      std::filesystem::create_directories(folder);
      for (int f = 0; f < filesPerFolder; ++f) {
        if (f % 2)
          snprintf(name, sizeof name, "/Long file name %03d.text", f);
        else
          snprintf(name, sizeof name, "/f%03d.dat", f);
        int fd = open((folder + name).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) close(fd);
      }
    }
  }
}
