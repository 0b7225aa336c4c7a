/* Typed value descriptors (the Ufo family) and group layouts. */
#ifndef KVRUN32_UFO_H
#define KVRUN32_UFO_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
