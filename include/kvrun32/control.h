/* kvrun32 C interface: control. */
#ifndef KVRUN32_CONTROL_H
#define KVRUN32_CONTROL_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
