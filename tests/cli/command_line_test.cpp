// tarrow on the command line, as a user or a script runs it: the real binary over catalogs
// built by logging test trees; outputs read back by independent readers (Qt's JSON parser, a
// CSV reader of the tests' own); exit codes and messages.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/cli/listing.h"
#include "app/logging/add_to_catalog.h"
#include "app/logging/logged_disk.h"
#include "app/logging/walk.h"
#include "app/tables/open_table.h"
#include "tests/app/app_test_support.h"
#include "tests/cli/cli_support.h"
#include "tests/support/quiet_adding.h"

namespace fs = std::filesystem;
using clitest::tarrow;

namespace {

TEST(Listing, JsonStringsEscapeWhatJsonCannotHold) {
  const struct {
    std::string bytes, json;
  } rows[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"line\nbreak\r\ttab", "\"line\\nbreak\\r\\ttab\""},
      {std::string("nul\0x", 5), "\"nul\\u0000x\""},
      {"\x7f", "\"\\u007f\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},                        // valid UTF-8 passes
      {"\xf0\x9f\x92\xbe", "\"\xf0\x9f\x92\xbe\""},              // and four-byte sequences
      {"bad\xff", "\"bad\\udcff\""},                             // a byte that is no UTF-8
      {"cut\xc3", "\"cut\\udcc3\""},                             // a sequence cut short
      {"\xc0\xaf", "\"\\udcc0\\udcaf\""},                        // an overlong form
      {"\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},             // an encoded surrogate
      {"\xf4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""},  // above U+10FFFF
  };
  for (const auto& r : rows) EXPECT_EQ(cli::jsonString(r.bytes), r.json) << r.bytes;
  // What JSON can hold reads back as the same text.
  for (std::string s : {"a\"b", "x\ny", "caf\xc3\xa9", "tab\there"}) {
    QJsonDocument d =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + cli::jsonString(s) + "]"));
    ASSERT_TRUE(d.isArray()) << s;
    EXPECT_EQ(d.array()[0].toString().toStdString(), s);
  }
}

TEST(Listing, CsvFieldsReadBackByte_for_byte) {
  const std::vector<std::string> fields = {"plain",       "with,comma", "with \"quotes\"",
                                           "two\nlines",  " leading",   "trailing ",
                                           "bad\xff\xfe", "",           "crlf\r\nend"};
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + cli::csvField(fields[i]);
  std::vector<std::vector<std::string>> back = clitest::readCsv(line + "\r\n");
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], fields);
  EXPECT_EQ(cli::csvField("plain"), "plain");  // quoted only when it must be
}

// A catalog folder, a settings folder whose WIN.INI pins letter Q to a tree, and the tree.
class CliCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(dir.path());
    catalog = root / "catalog";
    tree = root / "tree";
    fs::create_directories(catalog);
    fs::create_directories(root / "config" / "kvrun32");
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    std::ofstream(root / "config" / "kvrun32" / "WIN.INI")
        << "[Drives]\nQ=" << tree.string() << "\nQ.Label=TESTDISK\nQ.Serial=1234-ABCD\n";
    kiv::platform::reloadDrives();
    apptest::writeFile(tree / "readme.txt", 10);
    apptest::writeFile(tree / "a" / "Pod" / "big1.txt", 1000);
    apptest::writeFile(tree / "a" / "pod" / "small1.txt", 20);
    apptest::writeFile(tree / "names" / "with, comma.txt", 1);
    apptest::writeFile(tree / "names" / "with \"quotes\".txt", 2);
    apptest::writeFile(tree / "names" / "two\nlines.txt", 3);
    apptest::writeFile(tree / "names" / "bad\xff.txt", 4);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    kiv::platform::reloadDrives();
  }
  clitest::Result run(std::vector<std::string> args) {
    args.push_back("--catalog");
    args.push_back(catalog.string());
    return tarrow(args, root.string());
  }
  // Every FILES record of a catalog folder by path, read in this process.
  std::map<std::string, FilesRecord> filesOf(const fs::path& folder) {
    std::map<std::string, FilesRecord> files;
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    {
      CatalogUse use(Files, FilesUseCount);
      Files.set(Files.ByDiskId);
      for (Files.next(); kiv::errorCode() == 0; Files.next())
        files[Files.rec.Path.str()] = Files.rec;
      Kiv$clearerror();
    }
    fs::current_path(back);
    return files;
  }
  std::vector<DisksRecord> disksOf(const fs::path& folder) {
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    std::vector<DisksRecord> disks = apptest::storedDisks();
    fs::current_path(back);
    return disks;
  }

  kivtest::TempDir dir;
  fs::path root, catalog, tree;
};

TEST_F(CliCommands, ListingsInEveryFormatCarryTheCatalogWhole) {
  clitest::Result logged = run({"log", tree.string()});
  ASSERT_EQ(logged.status, 0) << logged.err;
  EXPECT_NE(logged.err.find("saved as disk \"TESTDISK\""), std::string::npos) << logged.err;
  const std::map<std::string, FilesRecord> stored = filesOf(catalog);
  ASSERT_EQ(stored.size(), 7u);
  const DisksRecord disk = disksOf(catalog).at(0);

  // JSON: one document, numbers exact.
  clitest::Result disks = run({"disks", "--json"});
  ASSERT_EQ(disks.status, 0) << disks.err;
  QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(disks.out));
  ASSERT_TRUE(json.isArray()) << disks.out;
  ASSERT_EQ(json.array().size(), 1);
  QJsonObject d = json.array()[0].toObject();
  EXPECT_EQ(d["id"].toInt(), 1);
  EXPECT_EQ(d["label"].toString().toStdString(), "TESTDISK");
  EXPECT_EQ(d["serial"].toString().toStdString(), "1234-ABCD");
  EXPECT_EQ(uint64_t(d["total_bytes"].toDouble()), disk.TotalBytes.whole());
  EXPECT_EQ(d["files"].toInt(), 7);
  EXPECT_TRUE(d["category"].isNull());

  // CSV: read back field by field, the names with commas, quotes and line breaks whole.
  clitest::Result csv = run({"files", "TESTDISK", "--csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  std::vector<std::vector<std::string>> rows = clitest::readCsv(csv.out);
  ASSERT_EQ(rows.size(), 1u + stored.size());
  EXPECT_EQ(rows[0][0], "disk_id");
  EXPECT_EQ(rows[0][2], "path");
  std::set<std::string> paths;
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), rows[0].size()) << i;
    const FilesRecord& f = stored.at(rows[i][2]);
    EXPECT_EQ(rows[i][3], std::to_string(f.Size.whole()));
    EXPECT_EQ(rows[i][5], f.ShortName.str());
    paths.insert(rows[i][2]);
  }
  EXPECT_EQ(paths.count("Q:\\NAMES\\WITH, COMMA.TXT"), 1u);
  EXPECT_EQ(paths.count("Q:\\NAMES\\WITH \"QUOTES\".TXT"), 1u);
  EXPECT_EQ(paths.count("Q:\\NAMES\\TWO\nLINES.TXT"), 1u);
  EXPECT_EQ(paths.count("Q:\\NAMES\\BAD\xff.TXT"), 1u);

  // -0: the paths, each ended by a NUL; by ID as well as by label.
  clitest::Result nul = run({"files", "1", "-0"});
  ASSERT_EQ(nul.status, 0) << nul.err;
  std::set<std::string> nulPaths;
  for (size_t start = 0, end; (end = nul.out.find('\0', start)) != std::string::npos;
       start = end + 1)
    nulPaths.insert(nul.out.substr(start, end - start));
  EXPECT_EQ(nulPaths, paths);

  // JSON Lines: one object a line; the byte that is no UTF-8 escaped, the dates ISO 8601.
  clitest::Result lines = run({"files", "1", "--jsonl"});
  ASSERT_EQ(lines.status, 0) << lines.err;
  size_t count = 0;
  bool sawEscape = false;
  for (size_t start = 0, end; (end = lines.out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    const std::string line = lines.out.substr(start, end - start);
    QJsonParseError error{};
    QJsonDocument one = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (line.find("\\udcff") != std::string::npos) {
      sawEscape = true;
      continue;  // Qt refuses a lone surrogate; the escape itself is checked above
    }
    ASSERT_TRUE(one.isObject()) << line << " " << error.errorString().toStdString();
    const QJsonObject o = one.object();
    const FilesRecord& f = stored.at(o["path"].toString().toStdString());
    EXPECT_EQ(o["size"].toInteger(), qint64(f.Size.whole()));
    EXPECT_EQ(o["modified"].toString().size(), 22) << line;  // 2026-12-08T17:49:18.42
    EXPECT_EQ(o["modified"].toString()[10], QChar('T'));
    ++count;
  }
  EXPECT_TRUE(sawEscape);
  EXPECT_EQ(count, stored.size() - 1);

  // Text: a header and one aligned line a file.
  clitest::Result text = run({"files", "TESTDISK"});
  ASSERT_EQ(text.status, 0);
  EXPECT_EQ(text.out.rfind("DISK  LABEL     PATH", 0), 0u) << text.out;
}

TEST_F(CliCommands, UsageErrorsAndCatalogErrorsExitWithTwo) {
  // A folder without a catalog stays as it was.
  const std::vector<std::vector<std::string>> cases = {
      {"disks", "--csv", "--json"},
      {"files"},
      {"nonsense"},
      {"disks", "--bogus"},
      {"disks", "extra"},
      {"log"},
      {"log", tree.string(), "--refresh", "--new"},
      {"log", tree.string(), "--disk", "3"},
  };
  for (const auto& args : cases) {
    clitest::Result r = run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_FALSE(r.err.empty()) << args[0];
    EXPECT_TRUE(r.out.empty()) << args[0];
  }
  clitest::Result missing = run({"disks"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("no catalog in"), std::string::npos) << missing.err;
  EXPECT_TRUE(fs::is_empty(catalog));  // nothing created
  EXPECT_EQ(tarrow({"disks", "--catalog", (root / "nowhere").string()}).status, 2);

  // Help texts.
  for (std::string command : {"disks", "files", "log", "find", "dupes", "report"}) {
    clitest::Result help = tarrow({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tarrow " + command, 0), 0u) << help.out;
  }
  EXPECT_EQ(tarrow({"--help"}).out.rfind("usage: tarrow", 0), 0u);

  // A damaged table: a clear message, exit 2, the file untouched.
  ASSERT_EQ(run({"log", "Q:"}).status, 0);
  ASSERT_EQ(run({"files", "NOSUCHDISK"}).status, 2);
  const fs::path disksFile = [&] {
    for (const auto& e : fs::directory_iterator(catalog))
      if (e.path().filename() == "DISKS.ZPH") return e.path();
    return fs::path();
  }();
  ASSERT_FALSE(disksFile.empty());
  std::ofstream(disksFile, std::ios::binary | std::ios::trunc) << std::string(4096, 'X');
  const std::string before = [&] {
    std::ifstream in(disksFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  clitest::Result damaged = run({"disks"});
  EXPECT_EQ(damaged.status, 2);
  EXPECT_NE(damaged.err.find("DISKS"), std::string::npos) << damaged.err;
  // Every reading command says the same of it.
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"find", "x"}, {"dupes"}, {"report", "disks", "-o", (root / "d.pdf").string()}}) {
    clitest::Result r = run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("DISKS"), std::string::npos) << args[0] << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(root / "d.pdf"));
  std::ifstream in(disksFile, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
}

TEST_F(CliCommands, LogAnswersTheAddingQuestionsByItsOptions) {
  ASSERT_EQ(run({"log", "Q:", "--category", "Backups", "--note", "first"}).status, 0);
  // The label is catalogued: without --refresh or --new nothing is written.
  clitest::Result again = run({"log", "q:\\"});
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("--refresh"), std::string::npos) << again.err;
  EXPECT_EQ(disksOf(catalog).size(), 1u);
  // --new adds another disk of the label; --refresh then must be told which.
  ASSERT_EQ(run({"log", "Q:", "--new", "--no-files"}).status, 0);
  std::vector<DisksRecord> disks = disksOf(catalog);
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(disks[0].Category.str(), "Backups");
  EXPECT_EQ(disks[0].Comments.str(), "first");
  EXPECT_EQ(disks[1].Files, 7);  // counted, not catalogued
  EXPECT_EQ(disks[1].Comments.str(), "* FILES NOT LOGGED FOR THIS DISK *");
  clitest::Result which = run({"log", "Q:", "--refresh"});
  EXPECT_EQ(which.status, 2);
  EXPECT_NE(which.err.find("--disk"), std::string::npos) << which.err;
  fs::remove(tree / "readme.txt");
  ASSERT_EQ(run({"log", "Q:", "--refresh", "--disk", "1"}).status, 0);
  EXPECT_EQ(disksOf(catalog)[0].Files, 6);
  EXPECT_EQ(filesOf(catalog).count("Q:\\README.TXT"), 0u);
  EXPECT_EQ(run({"log", "Q:", "--refresh", "--disk", "9"}).status, 2);
}

// The command line logs through the same procedures as the desktop program: the same records,
// for a new disk and for a refresh after the tree changed (comments kept).
TEST_F(CliCommands, LogGivesTheRecordsTheDesktopGives) {
  const fs::path desktop = root / "desktop-catalog";
  fs::create_directories(desktop);
  kivtest::QuietAdding windows(KIV_BUTTON_YES);  // Yes: refresh the disk of the label
  auto desktopLog = [&] {
    const fs::path back = fs::current_path();
    fs::current_path(desktop);
    ASSERT_TRUE(LogDrive("Q:\\ [FIXED]"));
    AddToCatalog(windows);
    fs::current_path(back);
  };
  auto compare = [&] {
    std::map<std::string, FilesRecord> a = filesOf(desktop), b = filesOf(catalog);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [path, f] : a) {
      SCOPED_TRACE(path);
      ASSERT_EQ(b.count(path), 1u);
      const FilesRecord& g = b.at(path);
      EXPECT_EQ(f.DiskId, g.DiskId);
      EXPECT_EQ(f.ShortName.str(), g.ShortName.str());
      EXPECT_EQ(f.LongName.str(), g.LongName.str());
      EXPECT_EQ(f.Size.whole(), g.Size.whole());
      EXPECT_EQ(f.DisplayDate, g.DisplayDate);
      EXPECT_EQ(f.DisplayTime, g.DisplayTime);
      EXPECT_EQ(f.ModifyDate, g.ModifyDate);
      EXPECT_EQ(f.CreationTime, g.CreationTime);
      EXPECT_EQ(f.Attrib.str(), g.Attrib.str());
      EXPECT_EQ(f.Type.str(), g.Type.str());
      EXPECT_EQ(f.Comment.str(), g.Comment.str());
      EXPECT_EQ(f.DeleteFlag, g.DeleteFlag);
    }
    std::vector<DisksRecord> x = disksOf(desktop), y = disksOf(catalog);
    ASSERT_EQ(x.size(), y.size());
    for (size_t i = 0; i < x.size(); ++i) {
      EXPECT_EQ(x[i].IdNum, y[i].IdNum);
      EXPECT_EQ(x[i].Label.str(), y[i].Label.str());
      EXPECT_EQ(x[i].SerialNo.str(), y[i].SerialNo.str());
      EXPECT_EQ(x[i].Type.str(), y[i].Type.str());
      EXPECT_EQ(x[i].Files, y[i].Files);
      EXPECT_EQ(x[i].TotalBytes.whole(), y[i].TotalBytes.whole());
      EXPECT_EQ(x[i].Comments.str(), y[i].Comments.str());
    }
  };
  desktopLog();
  ASSERT_EQ(run({"log", "Q:"}).status, 0);
  compare();

  // The tree changes; a file gets a comment in both catalogs; both refresh.
  fs::remove(tree / "a" / "Pod" / "big1.txt");
  apptest::writeFile(tree / "new" / "added.dat", 77);
  for (const fs::path& folder : {desktop, catalog}) {
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    apptest::setFileComment("Q:\\README.TXT", "keep me");
    fs::current_path(back);
  }
  desktopLog();
  ASSERT_EQ(run({"log", "Q:", "--refresh"}).status, 0);
  compare();
  EXPECT_EQ(filesOf(catalog).at("Q:\\README.TXT").Comment.str(), "keep me");
  EXPECT_EQ(filesOf(catalog).count("Q:\\A\\POD\\BIG1.TXT"), 0u);
}

// Another program using the catalog. The desktop program keeps DISKS and FILES open while it
// runs: reading and logging go on beside it. While it saves a disk it holds FILES for itself:
// logging is refused then, as a second desktop station's save would be, with nothing written.
TEST_F(CliCommands, LogBesideAnotherProgramAsASecondStation) {
  ASSERT_EQ(run({"log", "Q:"}).status, 0);
  auto holding = [&](int32_t filesMode, const std::function<void()>& meanwhile) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t holder = fork();
    if (holder == 0) {
      if (chdir(catalog.c_str()) != 0) _Exit(3);
      Disks.open();
      Files.open(filesMode);
      char c = Kiv$ERRCODE == 0 ? 'y' : 'n';
      if (write(ready[1], &c, 1) != 1) _Exit(4);
      if (read(release[0], &c, 1) != 1) _Exit(5);
      _Exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    meanwhile();
    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    waitpid(holder, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  };
  holding(kiv::ReadWriteDenyNone, [&] {
    clitest::Result listed = run({"files", "TESTDISK", "--csv"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(clitest::readCsv(listed.out).size(), 8u);
    EXPECT_EQ(run({"log", "Q:", "--new"}).status, 0);
  });
  EXPECT_EQ(disksOf(catalog).size(), 2u);
  holding(kiv::ReadWriteDenyAll, [&] {
    clitest::Result refused = run({"log", "Q:", "--new"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("another program holds the catalog"), std::string::npos)
        << refused.err;
  });
  EXPECT_EQ(disksOf(catalog).size(), 2u);
}

// A log ended by force at any moment (a crash, a kill, the machine going down) leaves the
// catalog as it was or with the whole disk: never a disk without all its files, never files
// without their disk.
TEST_F(CliCommands, ALogKilledAtAnyMomentLeavesNoHalfSavedDisk) {
  for (int d = 0; d < 20; ++d)
    for (int f = 0; f < 150; ++f)
      apptest::writeFile(tree / ("dir" + std::to_string(d)) / ("file" + std::to_string(f)), 1);
  ASSERT_EQ(run({"log", "Q:"}).status, 0);
  const fs::path start = root / "catalog-start";
  fs::copy(catalog, start);
  const std::string program = std::string(KIV_BINARY_DIR) + "/app/tarrow";
  auto startLog = [&] {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(program.c_str(), program.c_str(), "log", "Q:", "--new", "--catalog", catalog.c_str(),
            nullptr);
      _Exit(127);
    }
    return pid;
  };
  const auto begun = std::chrono::steady_clock::now();
  int status = 0;
  waitpid(startLog(), &status, 0);
  const auto whole = std::chrono::steady_clock::now() - begun;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  int completed = 0, untouched = 0;
  for (int i = 1; i <= 24; ++i) {
    fs::remove_all(catalog);
    fs::copy(start, catalog);
    pid_t pid = startLog();
    std::this_thread::sleep_for(whole * i / 24);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    std::vector<DisksRecord> disks = disksOf(catalog);
    // The same tree logged twice: the files of both disks share their paths.
    std::map<int32_t, int32_t> perDisk;
    {
      const fs::path back = fs::current_path();
      fs::current_path(catalog);
      CatalogUse use(Files, FilesUseCount);
      Files.set(Files.ByDiskId);
      for (Files.next(); kiv::errorCode() == 0; Files.next()) ++perDisk[Files.rec.DiskId];
      Kiv$clearerror();
      fs::current_path(back);
    }
    ASSERT_TRUE(disks.size() == 1 || disks.size() == 2) << i;
    for (const DisksRecord& d : disks) EXPECT_EQ(perDisk[d.IdNum], d.Files) << "kill " << i;
    EXPECT_EQ(perDisk.size(), disks.size()) << "kill " << i;  // no files without a disk
    (disks.size() == 2 ? completed : untouched) += 1;
  }
  EXPECT_GT(untouched, 0);
}

}  // namespace
