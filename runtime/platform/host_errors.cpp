#include "runtime/platform/host_errors.h"

#include <cerrno>

#include "runtime/core/error_state.h"

namespace kiv::platform {

uint32_t platformErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOSYS:
      return 1;  // Invalid Function
    case ENOENT:
      return 2;  // File Not Found
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return 3;  // Path Not Found
    case EMFILE:
    case ENFILE:
      return 4;  // Too Many Open Files
    case EACCES:
    case EPERM:
    case EISDIR:
      return 5;  // Access Denied
    case EBADF:
      return 6;  // Invalid Handle
    case ENOMEM:
      return 8;  // Insufficient Memory
    case E2BIG:
      return 10;  // Invalid Environment
    case ENOEXEC:
      return 11;  // Invalid Format
    case EINVAL:
      return 87;  // Invalid Parameter
    case ENODEV:
    case ENXIO:
      return 15;  // Invalid Drive
    case EBUSY:
      return 16;  // Invalid Operation For Current Directory
    case EXDEV:
      return 17;  // Not Same Device
    case EROFS:
      return 19;  // Write Protect
    case ENOMEDIUM:
      return 21;  // Device Not Ready
    case EIO:
      return 31;  // General Failure
    case ETXTBSY:
      return 32;  // Sharing Violation
    case EAGAIN:
    case EDEADLK:
      return 33;  // Lock Violation
    case ENOSPC:
    case EDQUOT:
      return 39;  // Handle Disk Full
    case EOPNOTSUPP:
      return 50;  // Not Supported
    case ENETUNREACH:
    case EHOSTUNREACH:
      return 53;  // Invalid Network Path
    case ENOTCONN:
    case ECONNRESET:
      return 59;  // Unexpected Network Error
    case EEXIST:
      return 80;  // File Already Exists
  }
  return 31;  // General Failure
}

uint32_t recordHostError(int err) {
  uint32_t n = platformErrorFromErrno(err);
  kiv::core::setPlatformError(n);
  return n;
}

}  // namespace kiv::platform
