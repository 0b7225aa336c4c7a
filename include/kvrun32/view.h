/* kvrun32 C interface: view. */
#ifndef KVRUN32_VIEW_H
#define KVRUN32_VIEW_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
