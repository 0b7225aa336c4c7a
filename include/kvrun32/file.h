/* kvrun32 C interface: file. */
#ifndef KVRUN32_FILE_H
#define KVRUN32_FILE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
