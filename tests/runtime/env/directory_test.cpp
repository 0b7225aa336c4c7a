// DIRECTORY into a queue: names in 8.3 form, DOS-style dates and times, sizes and attributes.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <ctime>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/platform/drive_map.h"
#include "tests/runtime/env/env_fixture.h"

namespace {

#pragma pack(push, 1)
struct DirRecord {
  char name[13];
  int32_t date;
  int32_t time;
  int32_t size;
  uint8_t attributes;
};
#pragma pack(pop)

class Directory : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    CLASS_DESCRIPTOR d;
    d.SETUP("DIR");
    d.ADDFIELD(KIV_CSTRING, 13, "DIR:NAME");
    d.ADDFIELD(KIV_LONG, 4, "DIR:DATE");
    d.ADDFIELD(KIV_LONG, 4, "DIR:TIME");
    d.ADDFIELD(KIV_LONG, 4, "DIR:SIZE");
    d.ADDFIELD(KIV_BYTE, 1, "DIR:ATTRIB");
    layout_ = d.ENDDECLARATION();
    queue_ = KivQueue{&record_, nullptr, layout_.data()};
    std::filesystem::create_directories(path("vol/sub"));
    kiv::platform::pinDrive('R', {path("vol"), std::nullopt, std::nullopt});
  }
  void TearDown() override {
    Kiv$FREEqueue(&queue_);
    kiv::platform::unpinDrive('R');
    ScratchFolder::TearDown();
  }

  // Writes a file with the given size and local modification time.
  void makeFile(const std::string& name, size_t size, int year, int month, int day, int hour,
                int minute, int second) {
    writeAll(path("vol/" + name), std::string(size, 'x'));
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second, t.tm_isdst = -1;
    utimbuf times{std::mktime(&t), std::mktime(&t)};
    ASSERT_EQ(utime(path("vol/" + name).c_str(), &times), 0);
  }

  std::vector<uint8_t> layout_;
  DirRecord record_{};
  KivQueue queue_{};
};

TEST_F(Directory, EveryMatchingFileBecomesAnEntry) {
  makeFile("README.TXT", 1234, 1997, 4, 13, 10, 30, 45);
  makeFile("a long file name.data", 7, 2001, 12, 31, 23, 59, 59);
  makeFile("old.bin", 1, 1975, 6, 1, 8, 0, 0);
  kiv::core::pushCopy("R:\\*.*   ");
  Kiv$DIRECTORY(&queue_);
  EXPECT_EQ(Kiv$ERRCODE, 0);

  std::map<std::string, DirRecord> byName;
  for (int32_t i = 1; i <= Kiv$RECORDSqueue(&queue_); ++i) {
    Kiv$GETqueueptr(&queue_, i);
    byName[record_.name] = record_;
  }
  ASSERT_TRUE(byName.count("README.TXT"));
  const DirRecord& readme = byName["README.TXT"];
  EXPECT_EQ(int32_t(readme.size), 1234);
  EXPECT_EQ(int32_t(readme.date), Kiv$DATE(4, 13, 1997));
  KivClockRec clock{10, 30, 44, 0};  // seconds in two-second units
  EXPECT_EQ(int32_t(readme.time), Kiv$time2abs(&clock));
  EXPECT_EQ(readme.attributes & KIV_ATTR_ARCHIVE, KIV_ATTR_ARCHIVE);

  ASSERT_TRUE(byName.count("ALONGF~1.DAT"));  // the 8.3 form of a long name
  EXPECT_EQ(int32_t(byName["ALONGF~1.DAT"].size), 7);
  ASSERT_TRUE(byName.count("OLD.BIN"));
  EXPECT_EQ(int32_t(byName["OLD.BIN"].date), Kiv$DATE(1, 1, 1980));  // DOS dates begin in 1980
  ASSERT_TRUE(byName.count("SUB"));
  EXPECT_EQ(byName["SUB"].attributes & KIV_ATTR_DIRECTORY, KIV_ATTR_DIRECTORY);
}

TEST_F(Directory, APatternMatchingNothingAddsNothing) {
  makeFile("one.txt", 1, 2000, 1, 1, 0, 0, 0);
  kiv::core::pushCopy("R:\\*.zip");
  Kiv$DIRECTORY(&queue_);
  EXPECT_EQ(Kiv$RECORDSqueue(&queue_), 0);
  kiv::core::pushCopy("R:\\NOSUCH\\*.*");
  Kiv$DIRECTORY(&queue_);
  EXPECT_EQ(Kiv$RECORDSqueue(&queue_), 0);
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

}  // namespace
