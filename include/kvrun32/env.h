/* kvrun32 C interface: env. */
#ifndef KVRUN32_ENV_H
#define KVRUN32_ENV_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
