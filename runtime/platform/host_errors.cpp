#include "runtime/platform/host_errors.h"

#include <cerrno>

#include "include/kvrun32/core.h"
#include "runtime/core/error_state.h"

namespace kiv::platform {

uint32_t platformErrorFromErrno(int hostError) {
  switch (hostError) {
    case 0:
      return 0;
    case ENOENT:
      return 2;  // file not found
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return 3;  // path not found
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case EACCES:
    case EPERM:
    case EISDIR:
    case ENOTEMPTY:
      return 5;  // access denied
    case EBADF:
      return 6;  // invalid handle
    case ENOMEM:
      return 8;  // insufficient memory
    case E2BIG:
      return 10;  // invalid environment
    case ENOEXEC:
      return 11;  // invalid format
    case ENODEV:
      return 15;  // invalid drive
    case EXDEV:
      return 17;  // not same device
    case EROFS:
      return 19;  // write protect
    case ENXIO:
      return 21;  // device not ready
    case ESPIPE:
      return 25;  // seek location inaccessible
    case EIO:
      return 31;  // general failure
    case EBUSY:
    case ETXTBSY:
      return 32;  // sharing violation
    case EAGAIN:
      return 33;  // lock violation (EWOULDBLOCK is the same value)
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return 39;  // disk full
    case ENOSYS:
    case EOPNOTSUPP:
      return 50;  // not supported
    case ENETUNREACH:
    case EHOSTUNREACH:
      return 53;  // invalid network path
    case ENETDOWN:
    case ECONNRESET:
    case ECONNREFUSED:
      return 59;  // unexpected network error
    case EEXIST:
      return 80;  // file already exists
    case EINVAL:
      return 87;  // invalid parameter
  }
  return 31;  // general failure
}

uint32_t recordHostError(int hostError) {
  uint32_t n = platformErrorFromErrno(hostError);
  kiv::core::setPlatformError(n);
  return n;
}

void reportHostError(int hostError) {
  recordHostError(hostError);
  Kiv$seterror(0);
}

}  // namespace kiv::platform
