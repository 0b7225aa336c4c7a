/* kvrun32 C interface: ini. */
#ifndef KVRUN32_INI_H
#define KVRUN32_INI_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
