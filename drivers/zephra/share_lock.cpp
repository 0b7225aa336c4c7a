// Open-file-description locks on a side file: byte 0 is held shared by every open, byte 1 by
// opens that deny writing, byte 2 by opens that deny everything; byte 3 guards the check and
// the taking of the others so two opens cannot pass each other.
//
// A deny-write or deny-all open is granted while others have the table open (the catalog is
// open in every running copy of the program for its whole run); from then on the others' writes
// are refused, and a deny-all open also refuses later opens. Two opens that both deny writing
// exclude each other.
//
// A deny-write or deny-all open is granted while others have the table open (the catalog is
// open in every running copy of the program for its whole run); from then on the others' writes
// are refused, and a deny-all open also refuses later opens. Two opens that both deny writing
// exclude each other.
#include "drivers/zephra/share_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kiv::zephra {
namespace {

constexpr off_t kOpenByte = 0;
constexpr off_t kDenyWriteByte = 1;
constexpr off_t kDenyAllByte = 2;
constexpr off_t kGuardByte = 3;
constexpr int kShareDenyAll = 0x10;
constexpr int kShareDenyWrite = 0x20;

bool setLock(int fd, short type, off_t byte, bool wait) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// True when some other open file description holds a lock on the byte.
bool heldByOthers(int fd, off_t byte) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

}  // namespace

std::string ShareLock::lockPath(const std::string& tablePath) { return tablePath + ".lck"; }

int ShareLock::acquire(const std::string& tablePath, int shareMode, int waitMs) {
  release();
  int fd = open(lockPath(tablePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  bool denyAll = shareMode == kShareDenyAll;
  bool denyWrite = denyAll || shareMode == kShareDenyWrite || shareMode == 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    setLock(fd, F_WRLCK, kGuardByte, true);
    // Opens already there stay, but lose writing: deny-all differs from deny-write only in
    // refusing the opens that come later.
    bool conflict =
        heldByOthers(fd, kDenyAllByte) || (denyWrite && heldByOthers(fd, kDenyWriteByte));
    if (!conflict) {
      setLock(fd, F_RDLCK, kOpenByte, false);
      if (denyWrite) setLock(fd, F_RDLCK, kDenyWriteByte, false);
      if (denyAll) setLock(fd, F_RDLCK, kDenyAllByte, false);
      setLock(fd, F_UNLCK, kGuardByte, false);
      fd_ = fd;
      deniesWrite_ = denyWrite;
      return 0;
    }
    setLock(fd, F_UNLCK, kGuardByte, false);
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  close(fd);
  return 32;
}

void ShareLock::release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  deniesWrite_ = false;
}

bool ShareLock::othersDenyWrite() const {
  // An open that denies writing itself keeps every other such open out: no lock to ask about.
  return fd_ >= 0 && !deniesWrite_ &&
         (heldByOthers(fd_, kDenyWriteByte) || heldByOthers(fd_, kDenyAllByte));
}

bool ShareLock::openElsewhere(const std::string& tablePath) {
  int fd = open(lockPath(tablePath).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = heldByOthers(fd, kOpenByte);
  close(fd);
  return held;
}

}  // namespace kiv::zephra
