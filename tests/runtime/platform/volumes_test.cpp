// Drive map, drive types, free space, volume information and labels.
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include <string>
#include <vector>

#include "platform_fixture.h"
#include "runtime/platform/drive_settings.h"
#include "runtime/platform/mounts.h"
#include "runtime/platform/volume_id.h"

namespace {

using kivtest::PinnedDrive;
using kivtest::TempTree;

// /dev/shm is a tmpfs mount on most systems; the RAM-disk rows need one.
bool shmIsTmpfs() {
  struct statfs fs {};
  return statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC;
}

TEST(DriveTypes, ByMountAndMapping) {
  if (!shmIsTmpfs()) GTEST_SKIP() << "/dev/shm is not a tmpfs mount here";
  PinnedDrive ram('R', {"/dev/shm", {}, {}});
  PinnedDrive gone('G');
  std::string goneFolder = gone.tree.root() + "/volume";
  kiv::platform::pinDrive('G', {goneFolder, {}, {}});  // its folder does not exist
  const std::string unmapped = kivtest::unmappedRoot();
  struct Row {
    const char* root;
    uint32_t type;
  } rows[] = {
      {"R:\\", KIV_DRIVE_RAMDISK},
      {"r:\\", KIV_DRIVE_RAMDISK},
      {"G:\\", KIV_DRIVE_NO_ROOT_DIR},
      {unmapped.c_str(), KIV_DRIVE_NO_ROOT_DIR},
      {"\\\\server\\share\\", KIV_DRIVE_NO_ROOT_DIR},
  };
  for (const Row& r : rows) EXPECT_EQ(GetDriveTypeA(r.root), r.type) << r.root;
  // C: is the host's root; its type follows the mount of "/".
  uint32_t c = GetDriveTypeA("C:\\");
  EXPECT_TRUE(c == KIV_DRIVE_FIXED || c == KIV_DRIVE_REMOVABLE || c == KIV_DRIVE_REMOTE ||
              c == KIV_DRIVE_RAMDISK)
      << c;
  EXPECT_EQ(GetDriveTypeA(ram.at("missing\\").c_str()), uint32_t(KIV_DRIVE_NO_ROOT_DIR));
}

TEST(DriveTypes, ClassificationOfMounts) {
  using kiv::platform::Mount;
  struct Row {
    const char* fsType;
    bool network;
    uint32_t type;
  } rows[] = {
      {"iso9660", false, KIV_DRIVE_CDROM},     {"udf", false, KIV_DRIVE_CDROM},
      {"tmpfs", false, KIV_DRIVE_RAMDISK},     {"ramfs", false, KIV_DRIVE_RAMDISK},
      {"nfs4", true, KIV_DRIVE_REMOTE},        {"cifs", true, KIV_DRIVE_REMOTE},
      {"fuse.sshfs", false, KIV_DRIVE_REMOTE}, {"9p", false, KIV_DRIVE_REMOTE},
      {"ext4", false, KIV_DRIVE_FIXED},
  };
  for (const Row& r : rows) {
    Mount m;
    m.fsType = r.fsType;
    m.network = r.network;
    m.source = "somewhere";
    EXPECT_EQ(kiv::platform::driveTypeOf(m), r.type) << r.fsType;
  }
}

TEST(DriveMap, LettersFromTheMountTableAndTheSettingsFile) {
  PinnedDrive pinned('P');
  std::optional<kiv::platform::Drive> c = kiv::platform::driveOf('c');
  ASSERT_TRUE(c);
  EXPECT_EQ(c->folder, "/");
  // Every mounted volume letter lies after C: and names an existing mount point.
  for (char l = 'D'; l <= 'Z'; ++l) {
    auto d = kiv::platform::driveOf(l);
    if (!d || d->pinned) continue;
    struct stat st {};
    EXPECT_EQ(stat(d->folder.c_str(), &st), 0) << d->folder;
  }
  TempTree usb;
  pinned.writeWinIni("[Other]\nE=/nowhere\n[Drives]\n; a comment\ne = " + usb.root() +
                     "\nE.Label = BACKUP\nE.Serial=1234-abcd\nF=relative/path\nZ:=" + usb.root() +
                     "\nZ.Serial=nonsense\n");
  auto e = kiv::platform::driveOf('E');
  ASSERT_TRUE(e);
  EXPECT_EQ(e->folder, usb.root());
  EXPECT_EQ(e->label.value_or("?"), "BACKUP");
  EXPECT_EQ(e->serial.value_or(0), 0x1234ABCDu);
  EXPECT_FALSE(kiv::platform::driveOf('F').has_value() &&
               kiv::platform::driveOf('F')->folder == "relative/path");
  auto z = kiv::platform::driveOf('Z');
  ASSERT_TRUE(z);
  EXPECT_FALSE(z->serial.has_value());
  // A pin made in the program wins over the settings file.
  TempTree other;
  kiv::platform::pinDrive('E', {other.root(), {}, {}});
  EXPECT_EQ(kiv::platform::driveOf('E')->folder, other.root());
  kiv::platform::unpinDrive('E');
  EXPECT_EQ(kiv::platform::driveOf('E')->folder, usb.root());
}

TEST(DriveMap, SettingsRows) {
  auto pins = kiv::platform::parseDriveSettings(
      "[drives]\r\nA=/a\r\nA=/second\r\nB.Label=NOFOLDER\r\nD=\"/quoted path\"\r\n"
      "D.Serial=0000ffff\r\n[x]\r\nK=/k\r\n");
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_EQ(pins['A'].folder, "/a");  // the first entry of a letter counts
  EXPECT_EQ(pins['D'].folder, "/quoted path");
  EXPECT_EQ(pins['D'].serial.value_or(0), 0xFFFFu);
  EXPECT_FALSE(pins['D'].label.has_value());
}

TEST(FreeSpace, MultipliesBackToStatvfs) {
  for (const char* folder : {"/", "/dev/shm"}) {
    SCOPED_TRACE(folder);
    PinnedDrive drive('S', {folder, {}, {}});
    uint32_t spc = 0, bps = 0, freeC = 0, totalC = 0;
    ASSERT_EQ(GetDiskFreeSpaceA("S:\\", &spc, &bps, &freeC, &totalC), 1);
    struct statvfs v {};
    ASSERT_EQ(statvfs(folder, &v), 0);
    const uint64_t cluster = uint64_t(spc) * bps;
    const uint64_t total = uint64_t(v.f_blocks) * v.f_frsize;
    const uint64_t avail = uint64_t(v.f_bavail) * v.f_frsize;
    EXPECT_GT(totalC, 0u);
    EXPECT_EQ(cluster * totalC, total - total % cluster);
    // Free space moves while other programs write: allow a megabyte of drift.
    EXPECT_NEAR(double(cluster * freeC), double(avail), 1 << 20);
    EXPECT_EQ(bps % 512, 0u);
  }
}

TEST(FreeSpace, ClusterCountsFitThirtyTwoBits) {
  PinnedDrive drive('S', {"/", {}, {}});
  uint32_t spc = 0, bps = 0, totalC = 0;
  ASSERT_EQ(GetDiskFreeSpaceA("S:\\", &spc, &bps, nullptr, &totalC), 1);
  struct statvfs v {};
  ASSERT_EQ(statvfs("/", &v), 0);
  // The cluster is the smallest power-of-two multiple of the block that keeps the count in 32 bits.
  uint64_t total = uint64_t(v.f_blocks) * v.f_frsize;
  uint64_t cluster = uint64_t(spc) * bps;
  EXPECT_LE(total / cluster, 0xFFFFFFFFull);
  if (cluster > v.f_frsize) {
    EXPECT_GT(total / (cluster / 2), 0xFFFFFFFFull);
  }
}

// The 64-bit query against statvfs, on every file system of this machine that has a letter.
TEST(FreeSpace, WideCountsAreStatvfsOnEveryVolume) {
  std::vector<std::string> folders = {"/"};
  for (const kiv::platform::Mount& m : kiv::platform::volumeMounts()) folders.push_back(m.target);
  if (shmIsTmpfs()) folders.push_back("/dev/shm");
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    PinnedDrive drive('S', {folder, {}, {}});
    uint64_t available = 0, total = 0, free = 0;
    ASSERT_EQ(GetDiskFreeSpaceExA("S:\\", &available, &total, &free), 1);
    struct statvfs v {};
    ASSERT_EQ(statvfs(folder.c_str(), &v), 0);
    EXPECT_EQ(total, uint64_t(v.f_blocks) * v.f_frsize);
    EXPECT_NEAR(double(available), double(uint64_t(v.f_bavail) * v.f_frsize), 1 << 20);
    EXPECT_NEAR(double(free), double(uint64_t(v.f_bfree) * v.f_frsize), 1 << 20);
    EXPECT_LE(available, free);
    // The classic query multiplies back to the same counts where they fit its 32-bit clusters.
    uint32_t spc = 0, bps = 0, freeC = 0, totalC = 0;
    ASSERT_EQ(GetDiskFreeSpaceA("S:\\", &spc, &bps, &freeC, &totalC), 1);
    const uint64_t cluster = uint64_t(spc) * bps;
    EXPECT_EQ(cluster * totalC, total - total % cluster);
  }
  // The drive of the host's root itself, and any output left out.
  uint64_t total = 0;
  ASSERT_EQ(GetDiskFreeSpaceExA("C:\\", nullptr, &total, nullptr), 1);
  struct statvfs v {};
  ASSERT_EQ(statvfs("/", &v), 0);
  EXPECT_EQ(total, uint64_t(v.f_blocks) * v.f_frsize);
}

// Counts a pin gives stand for the folder's volume, up to the largest 64-bit count; the classic
// query cuts what does not fit its 32-bit clusters.
TEST(FreeSpace, PinnedCountsOfAnySize) {
  struct Row {
    uint64_t total, free;
  } rows[] = {
      {4294967295ull, 4294967295ull},          // the last count of 32 bits
      {4294967296ull, 1},                      // the first beyond
      {30000000000000ull, 12345678901234ull},  // 30 TB
      {1000000000000000ull, 0},                // 1 PB, full
      {UINT64_MAX, UINT64_MAX - 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.total);
    PinnedDrive drive('S', {"", {}, {}, r.total, r.free});
    uint64_t available = 1, total = 1, free = 1;
    ASSERT_EQ(GetDiskFreeSpaceExA("S:\\", &available, &total, &free), 1);
    EXPECT_EQ(total, r.total);
    EXPECT_EQ(available, r.free);
    EXPECT_EQ(free, r.free);
    uint32_t spc = 0, bps = 0, freeC = 0, totalC = 0;
    ASSERT_EQ(GetDiskFreeSpaceA("S:\\", &spc, &bps, &freeC, &totalC), 1);
    const unsigned __int128 cluster = uint64_t(spc) * bps;
    EXPECT_LE(cluster * totalC, r.total);
    if (cluster * 0xFFFFFFFFull >= r.total) {
      EXPECT_EQ(cluster * totalC, r.total - r.total % cluster);
    }
  }
}

TEST(DriveSettings, ByteCountsOfAPin) {
  auto pins = kiv::platform::parseDriveSettings(
      "[Drives]\nT=/t\nT.Total=30000000000000\nT.Free=18446744073709551615\n"
      "U=/u\nU.Total=18446744073709551616\nU.Free=12x\nV=/v\nV.Total=\n");
  EXPECT_EQ(pins['T'].totalBytes.value_or(0), 30000000000000ull);
  EXPECT_EQ(pins['T'].freeBytes.value_or(0), UINT64_MAX);
  EXPECT_FALSE(pins['U'].totalBytes.has_value());  // one beyond 64 bits
  EXPECT_FALSE(pins['U'].freeBytes.has_value());   // not a number
  EXPECT_FALSE(pins['V'].totalBytes.has_value());
}

TEST(FreeSpace, FailuresSetThePlatformError) {
  PinnedDrive gone('G');
  kiv::platform::pinDrive('G', {gone.tree.root() + "/none", {}, {}});
  const std::string unmapped = kivtest::unmappedRoot();
  uint32_t spc = 7;
  SetLastError(0);
  EXPECT_EQ(GetDiskFreeSpaceA("G:\\", &spc, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), 3u);
  EXPECT_EQ(spc, 7u);
  EXPECT_EQ(GetDiskFreeSpaceA(unmapped.c_str(), &spc, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), 15u);
}

TEST(VolumeInformation, PinnedFolderWithAndWithoutLabel) {
  struct Row {
    std::optional<std::string> label;
    std::optional<uint32_t> serial;
    const char* expectLabel;
    uint32_t expectSerial;
  } rows[] = {
      {std::nullopt, std::nullopt, "", 0},
      {"CATALOG", 0x0BADF00D, "CATALOG", 0x0BADF00D},
      {"A LONGER LABEL", std::nullopt, "A LONGER LA", 0},  // cut to the buffer of 12
      {std::nullopt, 0x80000001, "", 0x80000001},
  };
  for (const Row& r : rows) {
    PinnedDrive drive('V', {"", r.label, r.serial});
    char label[12] = "junk", fs[8] = "junk";
    uint32_t serial = 99, maxLen = 0, flags = 0;
    ASSERT_EQ(
        GetVolumeInformationA("V:\\", label, sizeof label, &serial, &maxLen, &flags, fs, sizeof fs),
        1);
    EXPECT_STREQ(label, r.expectLabel);
    EXPECT_EQ(serial, r.expectSerial);
    EXPECT_EQ(maxLen, 255u);
    EXPECT_NE(fs[0], '\0');
    EXPECT_TRUE(flags & KIV_FS_CASE_PRESERVED);
  }
}

TEST(VolumeInformation, RamDiskAndNullOutputs) {
  if (!shmIsTmpfs()) GTEST_SKIP() << "/dev/shm is not a tmpfs mount here";
  PinnedDrive drive('R', {"/dev/shm", {}, {}});
  char fs[8];
  EXPECT_EQ(GetVolumeInformationA("R:\\", nullptr, 0, nullptr, nullptr, nullptr, fs, sizeof fs), 1);
  EXPECT_STREQ(fs, "TMPFS");
  char label[12] = "x";
  uint32_t serial = 1;
  ASSERT_EQ(
      GetVolumeInformationA("R:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0), 1);
  EXPECT_STREQ(label, "");
  EXPECT_EQ(serial, 0u);
}

TEST(VolumeInformation, SerialsFromVolumeIdentifiers) {
  struct Row {
    const char* uuid;
    uint32_t serial;
  } rows[] = {
      {"1234-ABCD", 0x1234ABCD},
      {"1b4e28ba-2fa1-11d2-883f-0016d3cca427", 0x1B4E28BA},
      {"0123456789ABCDEF", 0x01234567},
      {"2023-01-05-12-00-00-00", 0x20230105},
      {"", 0},
  };
  for (const Row& r : rows) EXPECT_EQ(kiv::platform::serialFromUuid(r.uuid), r.serial) << r.uuid;
  EXPECT_EQ(kiv::platform::fileSystemName("vfat", "FAT32"), "FAT32");
  EXPECT_EQ(kiv::platform::fileSystemName("vfat", "FAT16"), "FAT");
  EXPECT_EQ(kiv::platform::fileSystemName("iso9660", ""), "CDFS");
  EXPECT_EQ(kiv::platform::fileSystemName("ext4", "1.0"), "EXT4");
}

std::string labelOf(const std::string& root) {
  char label[12] = {};
  EXPECT_EQ(GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                  nullptr, 0),
            1)
      << root;
  return label;
}

TEST(VolumeLabel, PinnedLabelsChangeForTheProcess) {
  PinnedDrive drive('L', {"", std::string("OLD"), 0x11112222});
  ASSERT_EQ(SetVolumeLabelA("L:\\", "NEWLABEL"), 1);
  EXPECT_EQ(labelOf("L:\\"), "NEWLABEL");
  ASSERT_EQ(SetVolumeLabelA("L:\\", nullptr), 1);  // removes it
  EXPECT_EQ(labelOf("L:\\"), "");
}

// A volume that cannot be relabelled keeps the user's label on this host, by its identity (here
// a folder drive: its folder), whatever letter it has and in every later process.
TEST(VolumeLabel, KeptOnThisHostForVolumesThatCannotBeRelabelled) {
  PinnedDrive plain('N');
  TempTree other;
  kiv::platform::pinDrive('O', {other.root(), {}, {}});
  EXPECT_EQ(labelOf("N:\\"), "");
  ASSERT_EQ(SetVolumeLabelA("N:\\", "HOLIDAYS"), 1);
  EXPECT_EQ(labelOf("N:\\"), "HOLIDAYS");
  EXPECT_EQ(labelOf("O:\\"), "");  // another folder keeps its own

  std::ifstream ini(plain.settings.path("kvrun32/WIN.INI"));
  std::string text((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[Volume Labels]"), std::string::npos) << text;
  EXPECT_NE(text.find("DIR:" + plain.tree.root() + "=HOLIDAYS"), std::string::npos) << text;

  // The same folder under another letter, and a fresh process: the label is still there.
  kiv::platform::unpinDrive('O');
  kiv::platform::pinDrive('O', {plain.tree.root(), {}, {}});
  EXPECT_EQ(labelOf("O:\\"), "HOLIDAYS");
  pid_t child = fork();
  if (child == 0) _Exit(labelOf("N:\\") == "HOLIDAYS" ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // Changing it again, and to no label at all.
  ASSERT_EQ(SetVolumeLabelA("N:\\", "TRIP2024"), 1);
  EXPECT_EQ(labelOf("O:\\"), "TRIP2024");
  ASSERT_EQ(SetVolumeLabelA("N:\\", ""), 1);
  EXPECT_EQ(labelOf("N:\\"), "");
  kiv::platform::unpinDrive('O');
}

TEST(VolumeLabel, ALabelThatCannotBeKeptFailsAndChangesNothing) {
  PinnedDrive plain('N');
  ASSERT_EQ(SetVolumeLabelA("N:\\", "FIRST"), 1);
  // The settings folder cannot be made: a file stands where it would go.
  TempTree blocked;
  blocked.file("config");
  setenv("XDG_CONFIG_HOME", blocked.path("config").c_str(), 1);
  SetLastError(0);
  EXPECT_EQ(SetVolumeLabelA("N:\\", "SECOND"), 0);
  EXPECT_NE(GetLastError(), 0u);
  setenv("XDG_CONFIG_HOME", plain.settings.root().c_str(), 1);
  EXPECT_EQ(labelOf("N:\\"), "FIRST");
}

TEST(VolumeLabel, LabelsPinnedBySettingsChangeForTheProcess) {
  PinnedDrive base('W');
  kiv::platform::unpinDrive('W');
  base.writeWinIni("[Drives]\nW=" + base.tree.root() + "\nW.Label=FROMINI\n");
  ASSERT_EQ(SetVolumeLabelA("W:\\", "CHANGED"), 1);
  kiv::platform::reloadDrives();
  char label[12];
  GetVolumeInformationA("W:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_STREQ(label, "CHANGED");
}

TEST(ErrorMode, GivesThePreviousMode) {
  uint32_t start = SetErrorMode(KIV_SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(0), uint32_t(KIV_SEM_FAILCRITICALERRORS));
  EXPECT_EQ(SetErrorMode(start), 0u);
}

}  // namespace
