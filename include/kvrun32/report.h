/* kvrun32 C interface: report. */
#ifndef KVRUN32_REPORT_H
#define KVRUN32_REPORT_H

#include "types.h"

KIV_EXTERN_C_BEGIN

KIV_EXTERN_C_END

#endif
