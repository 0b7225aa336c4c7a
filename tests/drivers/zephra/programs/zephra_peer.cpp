// A second program on a shared catalog, started by the multi-process tests. Usage:
//   zephra_peer DIR hold MODE       open FILES with MODE, say "ready", wait for a line on stdin
//   zephra_peer DIR add DISK N      add file N of DISK to FILES, print the error code
//   zephra_peer DIR change POINTER  change the comment of a FILES record, print the error code
//   zephra_peer DIR count [TABLE]   print the number of records of FILES (or of DISKS-shaped
//                                   TABLE)
//   zephra_peer DIR has-file DISK N print 1 when FILES holds file N of DISK as the tests fill it
//   zephra_peer DIR has-disk ID     print 1 when DISKS holds disk ID
//   zephra_peer DIR stream-hold     add a disk to DISKS in stream mode, say "ready", wait for a
//                                   line on stdin, then FLUSH and print the error code
//   zephra_peer DIR watch-pair N    count FILES, then DISKS, over and over until each has N
//                                   records (saying "ready" after the first round), then print
//                                   the rounds that saw more files than disks
//   zephra_peer DIR append-run      append FILES records in stream mode, flushing every 100
//                                   and printing the number flushed, until killed
//   zephra_peer DIR logout-run      add one disk and 20 files per LOGOUT transaction, printing
//                                   the number of disks committed, until killed
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <chrono>
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
  if (cmd == "hold" || cmd == "hold-disks") {
    TableDecl& held = cmd == "hold" ? *files : *disks;
    if (openOrSay(held, static_cast<int32_t>(std::strtol(argv[3], nullptr, 0)))) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) return 0;
    Kiv$FILE_CLOSE(&held.table);
    return 0;
  }
  if (cmd == "count" && argc > 3 && std::string(argv[3]) != "FILES") {
    auto table = makeDisks(argv[3]);
    if (openOrSay(*table, 0x42)) return 1;
    std::printf("%d\n", Kiv$FILE_RECORDSf(&table->table));
    Kiv$FILE_CLOSE(&table->table);
    return 0;
  }
  if (cmd == "has-file" && argc > 4) {
    if (openOrSay(*files, 0x42)) return 1;
    auto expected = makeFiles("EXPECTED", nullptr);
    fillFile(*expected, std::atoi(argv[3]), std::atoi(argv[4]));
    files->setRecord(expected->record());
    Kiv$FILE_GETfk(&files->table, files->key(FIL_BYDISKID));
    bool found = Kiv$ERRCODE == 0 && files->record() == expected->record();
    std::printf("%d\n", found ? 1 : 0);
    Kiv$FILE_CLOSE(&files->table);
    return 0;
  }
  if (cmd == "has-disk" && argc > 3) {
    if (openOrSay(*disks, 0x42)) return 1;
    disks->setLong(DIS_IDNUM, std::atoi(argv[3]));
    Kiv$FILE_GETfk(&disks->table, disks->key(DIS_BYIDNUM));
    std::printf("%d\n", Kiv$ERRCODE == 0 ? 1 : 0);
    Kiv$FILE_CLOSE(&disks->table);
    return 0;
  }
  if (cmd == "stream-hold") {
    if (openOrSay(*disks, 0x42)) return 1;
    Kiv$FILE_STREAM(&disks->table);
    disks->clear();
    disks->setLong(DIS_IDNUM, 999);
    Kiv$FILE_ADDf(&disks->table);
    if (Kiv$ERRCODE) return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) return 0;
    Kiv$FILE_FLUSH(&disks->table);
    std::printf("%d\n", Kiv$ERRCODE);
    Kiv$FILE_CLOSE(&disks->table);
    return 0;
  }
  if (cmd == "watch-pair" && argc > 3) {
    if (openOrSay(*files, 0x42) || openOrSay(*disks, 0x42)) return 1;
    const int32_t wanted = std::atoi(argv[3]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int violations = 0;
    for (int round = 0;; ++round) {
      // Files first: a file seen before its disk means the disk's table committed later.
      int32_t f = Kiv$FILE_RECORDSf(&files->table);
      if (Kiv$ERRCODE) return 3;
      int32_t d = Kiv$FILE_RECORDSf(&disks->table);
      if (Kiv$ERRCODE) return 3;
      if (f > d) ++violations;
      if (round == 0) {
        std::printf("ready\n");
        std::fflush(stdout);
      }
      if ((f >= wanted && d >= wanted) || std::chrono::steady_clock::now() > deadline) break;
    }
    std::printf("%d\n", violations);
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
