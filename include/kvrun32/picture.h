/* kvrun32 C interface: picture. */
#ifndef KVRUN32_PICTURE_H
#define KVRUN32_PICTURE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
