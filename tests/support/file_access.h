// Makes the calling thread subject to file permissions even when the tests run as root: while a
// WithoutPermissionOverride lives, the thread's effective capabilities lack CAP_DAC_OVERRIDE and
// CAP_DAC_READ_SEARCH, so a folder of mode 000 cannot be entered and one of mode 0111 cannot be
// read. Capabilities belong to a thread; others (and this one afterwards) keep theirs.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kivtest {

class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
    dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    active_ = syscall(SYS_capset, &header_, dropped) == 0;
  }
  ~WithoutPermissionOverride() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
  WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

}  // namespace kivtest
