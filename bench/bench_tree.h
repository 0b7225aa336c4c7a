// The tree of empty files the disk-walking benchmarks use: `groups` folders of
// `foldersPerGroup` folders of `filesPerFolder` files, every second file with a long name that
// needs an alternate (8.3) name. BenchTreeEntryOf names one entry of such a tree, for
// benchmarks that generate catalog records as a logging of the tree would store them.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

// The names of file `f` of folder `d` of group `g`.
struct BenchTreeEntry {
  std::string group, folder, file;
};
inline BenchTreeEntry BenchTreeEntryOf(int g, int d, int f) {
  char name[64];
  BenchTreeEntry e;
  snprintf(name, sizeof name, "group%02d", g);
  e.group = name;
  snprintf(name, sizeof name, "Folder %02d", d);
  e.folder = name;
  if (f % 2)
    snprintf(name, sizeof name, "Long file name %03d.text", f);
  else
    snprintf(name, sizeof name, "f%03d.dat", f);
  e.file = name;
  return e;
}

inline void MakeBenchTree(const std::string& root, int groups, int foldersPerGroup,
                          int filesPerFolder) {
  for (int g = 0; g < groups; ++g) {
    for (int d = 0; d < foldersPerGroup; ++d) {
      BenchTreeEntry e = BenchTreeEntryOf(g, d, 0);
      std::string folder = root + "/" + e.group + "/" + e.folder;
      std::filesystem::create_directories(folder);
      for (int f = 0; f < filesPerFolder; ++f) {
        int fd =
            open((folder + "/" + BenchTreeEntryOf(g, d, f).file).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) close(fd);
      }
    }
  }
}
