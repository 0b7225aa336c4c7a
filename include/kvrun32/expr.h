/* kvrun32 C interface: expr. */
#ifndef KVRUN32_EXPR_H
#define KVRUN32_EXPR_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
