// A second program on a shared catalog, started by the multi-process tests. Usage:
//   zephra_peer DIR hold MODE       open FILES with MODE, say "ready", wait for a line on stdin
//   zephra_peer DIR add DISK N      add file N of DISK to FILES, print the error code
//   zephra_peer DIR change POINTER  change the comment of a FILES record, print the error code
//   zephra_peer DIR count           print the number of FILES records
//   zephra_peer DIR append-run      append FILES records in stream mode, flushing every 100
//                                   and printing the number flushed, until killed
//   zephra_peer DIR logout-run      add one disk and 20 files per LOGOUT transaction, printing
//                                   the number of disks committed, until killed
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

using namespace kivtest;

namespace {

int openOrSay(TableDecl& t, int32_t mode) {
  Kiv$FILE_OPEN(&t.table, mode);
  if (Kiv$ERRCODE) std::printf("open %d\n", Kiv$ERRCODE);
  std::fflush(stdout);
  return Kiv$ERRCODE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || chdir(argv[1]) != 0) return 2;
  std::string cmd = argv[2];
  auto files = makeFiles();
  auto disks = makeDisks();
  if (cmd == "hold") {
    if (openOrSay(*files, static_cast<int32_t>(std::strtol(argv[3], nullptr, 0)))) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) return 0;
    Kiv$FILE_CLOSE(&files->table);
    return 0;
  }
  if (cmd == "add" || cmd == "change" || cmd == "count") {
    if (openOrSay(*files, 0x42)) return 1;
    if (cmd == "add") {
      fillFile(*files, std::atoi(argv[3]), std::atoi(argv[4]));
      Kiv$FILE_ADDf(&files->table);
      std::printf("%d\n", Kiv$ERRCODE);
    } else if (cmd == "change") {
      Kiv$FILE_GETfl(&files->table, std::atoi(argv[3]));
      files->setText(FIL_COMMENT, "changed by the peer");
      if (!Kiv$ERRCODE) Kiv$FILE_PUTf(&files->table);
      std::printf("%d\n", Kiv$ERRCODE);
    } else {
      std::printf("%d\n", Kiv$FILE_RECORDSf(&files->table));
    }
    Kiv$FILE_CLOSE(&files->table);
    return 0;
  }
  if (cmd == "append-run") {
    if (openOrSay(*files, 0x12)) return 1;
    Kiv$FILE_STREAM(&files->table);
    for (int n = 1;; ++n) {
      fillFile(*files, 1, n);
      Kiv$FILE_APPENDf(&files->table);
      if (Kiv$ERRCODE) return 3;
      if (n % 100 == 0) {
        Kiv$FILE_FLUSH(&files->table);
        Kiv$FILE_STREAM(&files->table);
        std::printf("%d\n", n);
        std::fflush(stdout);
      }
    }
  }
  if (cmd == "logout-run") {
    if (openOrSay(*files, 0x42) || openOrSay(*disks, 0x42)) return 1;
    for (int d = 1;; ++d) {
      Kiv$LOGOUT(2, &disks->table, &files->table, nullptr);
      if (Kiv$ERRCODE) return 3;
      disks->clear();
      disks->setLong(DIS_IDNUM, d);
      disks->setText(DIS_LABEL, "DISK" + std::to_string(d));
      Kiv$FILE_ADDf(&disks->table);
      for (int n = 1; n <= 20 && !Kiv$ERRCODE; ++n) {
        fillFile(*files, d, n);
        Kiv$FILE_ADDf(&files->table);
      }
      if (Kiv$ERRCODE) return 4;
      Kiv$COMMIT();
      if (Kiv$ERRCODE) return 5;
      std::printf("%d\n", d);
      std::fflush(stdout);
    }
  }
  return 2;
}
