/* kvrun32 C interface: queue. */
#ifndef KVRUN32_QUEUE_H
#define KVRUN32_QUEUE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
