// The runtime's exit and the C library's _exit stay apart: a file that includes kvrun32.h and
// calls _exit reaches the runtime's exit; everything else in the process (a forked child of a
// library, the C library itself) keeps the C library's; the runtime's own halt and error paths
// reach its exit even when the library is loaded after the C library. And no name the runtime
// or its drivers export is defined by another library of the process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "include/kvrun32.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out;
};

Result run(const std::string& command) {
  Result r;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  int status = pclose(p);
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  return r;
}

std::string program(const char* name) { return std::string(KIV_TEST_PROGRAMS_DIR) + "/" + name; }

std::string libraryOf(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  return fs::path(info.dli_fname).filename().string();
}

bool ours(const std::string& file) {
  return file.rfind("libkvrun32", 0) == 0 || file.rfind("libkvzph32", 0) == 0 ||
         file.rfind("libkvasc32", 0) == 0;
}

TEST(RuntimeExit, TheHeaderMapsExitToTheRuntimeAndLeavesTheCLibraryExitAlone) {
  void* runtimeExit = dlsym(RTLD_DEFAULT, "Kiv$exit");
  ASSERT_NE(runtimeExit, nullptr);
  EXPECT_EQ(libraryOf(runtimeExit).rfind("libkvrun32", 0), 0u);
  EXPECT_EQ(reinterpret_cast<void*>(&_exit), runtimeExit);  // this file includes kvrun32.h

  void* cExit = dlsym(RTLD_DEFAULT, "_exit");
  ASSERT_NE(cExit, nullptr);
  EXPECT_FALSE(ours(libraryOf(cExit))) << libraryOf(cExit);
  EXPECT_NE(cExit, runtimeExit);
}

TEST(RuntimeExit, AForkedChildEndingWithTheCLibraryExitRunsNoRuntimeHandler) {
  std::string dir = (fs::temp_directory_path() / "kvrun32-exit-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const fs::path marker = fs::path(dir) / "marker";

  Result r = run(program("exit_fork_child") + " '" + marker.string() + "'");
  EXPECT_EQ(r.status, 3);
  int parent = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "parent %d", &parent), 1) << r.out;
  EXPECT_EQ(r.out,
            "parent " + std::to_string(parent) + "\nchild ended 7\nmarker after the child: no\n");
  // The parent's runtime exit ran the handler, once, in the parent.
  std::ifstream in(marker);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "handler " + std::to_string(parent) + "\n");
  fs::remove_all(dir);
}

TEST(RuntimeExit, EveryExitPathRunsTheRuntimeExitWhenTheLibraryIsLoadedAfterTheCLibrary) {
  struct Row {
    const char* how;
    int code;
    const char* output;
  };
  const Row rows[] = {
      {"halt", 5, "[Halt] Halted [OK*]\nexit handler\nterminator 1\n"},
      {"stop", 0, "[Stop] Stop here [Abort* Ignore]\nexit handler\nterminator 1\n"},
      {"error", 2,
       "[Runtime error] Index out of range : in exit_dlopen [OK*]\nexit handler\nterminator 1\n"},
      {"exit", 6, "exit handler\nterminator 1\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    Result r = run(program("exit_dlopen") + " " + row.how + " 2>&1");
    EXPECT_EQ(r.status, row.code);
    EXPECT_EQ(r.out, row.output);
  }
}

// Every name defined by a shared object's dynamic symbol table, with the kind nm gives it.
std::map<std::string, char> exportedNames(const std::string& file) {
  std::map<std::string, char> names;
  Result r = run("nm -D --defined-only '" + file + "' 2>/dev/null");
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (!(fields >> address >> kind >> name)) continue;
    name = name.substr(0, name.find('@'));
    names.emplace(name, kind[0]);
  }
  return names;
}

int addLoaded(dl_phdr_info* info, size_t, void* data) {
  if (info->dlpi_name && info->dlpi_name[0] == '/')
    static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
  return 0;
}

TEST(RuntimeExports, NoNameIsAlsoDefinedByAnotherLibraryOfTheProcess) {
  // The C library's companions that a program may load besides those already here.
  for (const char* lib : {"libm.so.6", "libpthread.so.0", "libdl.so.2", "librt.so.1"})
    dlopen(lib, RTLD_LAZY | RTLD_LOCAL);
  std::vector<std::string> loaded;
  dl_iterate_phdr(addLoaded, &loaded);

  // Names of our own libraries that take the place of another's: their strong definitions.
  // Left out: the linker's own section bounds and the sanitizer's per-library markers.
  std::map<std::string, std::string> own;  // name -> library
  std::set<std::string> others;
  bool sawCLibrary = false;
  for (const std::string& file : loaded) {
    std::string base = fs::path(file).filename().string();
    std::map<std::string, char> names = exportedNames(file);
    if (ours(base)) {
      for (const auto& [name, kind] : names) {
        if (std::string("TDBRGSi").find(kind) == std::string::npos) continue;
        if (name == "_edata" || name == "_end" || name == "__bss_start" ||
            name.rfind("__odr_asan", 0) == 0)
          continue;
        own.emplace(name, base);
      }
    } else {
      sawCLibrary = sawCLibrary || base.rfind("libc.so", 0) == 0;
      for (const auto& [name, kind] : names)
        if (kind != 'A' && kind != 'U') others.insert(name + " " + base);
    }
  }
  ASSERT_TRUE(sawCLibrary);
  ASSERT_TRUE(own.count("Kiv$exit") && own.count("ZEPHRA") && own.count("ASCII"));
  EXPECT_EQ(own.count("_exit"), 0u);

  std::vector<std::string> clashes;
  for (const std::string& entry : others) {
    std::string name = entry.substr(0, entry.find(' '));
    auto it = own.find(name);
    if (it != own.end()) clashes.push_back(it->second + ": " + entry);
  }
  EXPECT_TRUE(clashes.empty()) << ::testing::PrintToString(clashes);
}

}  // namespace
