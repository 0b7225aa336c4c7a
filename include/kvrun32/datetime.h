/* Date and time serials, calendar values and their storage forms. */
#ifndef KVRUN32_DATETIME_H
#define KVRUN32_DATETIME_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* DATE storage (day, month, 16-bit year, little-endian) and TIME storage
   (hundredths, seconds, minutes, hours) from and to serials. */
uint32_t Kiv$storebtdate(int32_t serial);
int32_t Kiv$loadbtdate(uint32_t value);
uint32_t Kiv$storebttime(int32_t serial);
int32_t Kiv$loadbttime(uint32_t value);

KIV_EXTERN_C_END

#endif
