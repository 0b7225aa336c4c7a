// The installed package: `cmake --install` of this build into a fresh prefix, then a separate
// CMake project (tests/install/outside_project, copied away from the sources) found against that
// prefix alone with find_package(kvrun32), built (every public header compiled on its own among
// it) and run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;  // exit code, or -1 when the command did not end normally
  std::string out;  // standard output and standard error together
};

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

Result run(const std::string& command) {
  Result r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  int status = pclose(p);
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  return r;
}

// The file names (relative) of every regular file under `root`.
std::set<std::string> filesUnder(const fs::path& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) names.insert(fs::relative(e.path(), root).string());
  return names;
}

// A scratch folder outside the source tree, removed at the end.
struct Scratch {
  fs::path dir;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "kvrun32-install-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

TEST(InstalledPackage, AProgramOutsideTheTreeBuildsAndRunsAgainstIt) {
  Scratch scratch;
  ASSERT_FALSE(scratch.dir.empty());
  const fs::path prefix = scratch.dir / "prefix";
  const fs::path project = scratch.dir / "project";
  const fs::path build = scratch.dir / "build";
  const fs::path work = scratch.dir / "work";
  const std::string cmake = quote(KIV_CMAKE_COMMAND);

  Result install =
      run(cmake + " --install " + quote(KIV_BINARY_DIR) + " --prefix " + quote(prefix));
  ASSERT_EQ(install.status, 0) << install.out;

  // The public headers exactly as in the source tree, the three libraries, the package files.
  const fs::path include = prefix / "include";
  EXPECT_EQ(filesUnder(include), filesUnder(fs::path(KIV_SOURCE_DIR) / "include"));
  const fs::path lib = prefix / KIV_INSTALL_LIBDIR;
  for (const char* name :
       {"libkvrun32.so", "libkvzph32.so", "libkvasc32.so", "cmake/kvrun32/kvrun32Config.cmake",
        "cmake/kvrun32/kvrun32ConfigVersion.cmake", "cmake/kvrun32/kvrun32Targets.cmake"})
    EXPECT_TRUE(fs::exists(lib / name)) << name;

  fs::copy(fs::path(KIV_SOURCE_DIR) / "tests/install/outside_project", project);
  fs::create_directories(work);
  Result configure = run(cmake + " -S " + quote(project) + " -B " + quote(build) + " -G " +
                         quote(KIV_CMAKE_GENERATOR) +
                         " -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=" + quote(KIV_C_COMPILER) +
                         " -DCMAKE_CXX_COMPILER=" + quote(KIV_CXX_COMPILER) +
                         " -DCMAKE_PREFIX_PATH=" + quote(prefix));
  ASSERT_EQ(configure.status, 0) << configure.out;
  EXPECT_NE(configure.out.find("kvrun32 headers checked on their own"), std::string::npos);
  Result compile = run(cmake + " --build " + quote(build));
  ASSERT_EQ(compile.status, 0) << compile.out;

  // The C program: its layout against its struct, a keyed table, the runtime's exit.
  Result c =
      run("cd " + quote(work) + " && " + quote(build / "layout_table") + " " + quote(prefix));
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out,
            "runtime installed\n"
            "layout 49 bytes, struct 49 bytes\n"
            "fields match the struct\n"
            "records 3\n"
            "1 avery 99.99 [555-0101  ]\n"
            "2 Blake -7.25 [555-0102  ]\n"
            "3 Wren 1234.50 [555-0103  ]\n"
            "after the last: error 33\n"
            "2 Blake -7.25 [555-0102  ]\n"
            "get 9: error 35 Record Not Found\n"
            "exit handler\n"
            "terminator 1\n");

  // The C++ program in the language layer.
  Result cxx = run("cd " + quote(work) + " && " + quote(build / "language_layer"));
  EXPECT_EQ(cxx.status, 0);
  EXPECT_EQ(cxx.out,
            "items 4\n"
            "view 20 anchor 99.95 3\n"
            "view 10 Bolt 12.50 40\n"
            "view 40 Clamp 7.25 12\n"
            "queue 30 washer 0.15 900\n"
            "queue 10 Bolt 12.50 40\n"
            "queue 40 Clamp 7.25 12\n"
            "queue 20 anchor 99.95 3\n"
            "get 20 anchor upper ANCHOR\n"
            "note [first line]\n"
            "note [second line]\n"
            "exit handler\n");
}

}  // namespace
