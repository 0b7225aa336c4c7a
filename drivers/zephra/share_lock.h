// Sharing between processes: every open of a table holds locks on a side file beside it, so
// that deny-all and deny-write opens keep other processes out or from writing.
#pragma once

#include <string>

namespace kiv::zephra {

class ShareLock {
 public:
  ShareLock() = default;
  ShareLock(const ShareLock&) = delete;
  ShareLock& operator=(const ShareLock&) = delete;
  ~ShareLock() { release(); }

  // Takes the locks of an open with this share mode (the high bits of the open mode), waiting
  // up to waitMs for conflicting opens to go. 0, 32 when another open conflicts, or the
  // platform's error with errno left set.
  int acquire(const std::string& tablePath, int shareMode, int waitMs);
  void release();

  // True when another open of the table denies writing (deny-write or deny-all).
  bool othersDenyWrite() const;
  // True when the table is open anywhere else, in this process or another.
  static bool openElsewhere(const std::string& tablePath);
  static std::string lockPath(const std::string& tablePath);

 private:
  int fd_ = -1;
  bool deniesWrite_ = false;  // this open denies writing (or everything) to others
};

}  // namespace kiv::zephra
