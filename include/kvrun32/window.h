/* kvrun32 C interface: window. */
#ifndef KVRUN32_WINDOW_H
#define KVRUN32_WINDOW_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
