/* kvrun32 C interface: settings (INI) files. */
#ifndef KVRUN32_INI_H
#define KVRUN32_INI_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* The string arguments are on the string stack and are popped in the order section, entry,
   value (or default), file: the caller pushes the file first and the section last. An empty file
   name means the platform's main settings file; a name without a directory lies in the
   platform's Windows directory. */

/* Pushes the entry's value, or the default with its trailing blanks removed. */
void Kiv$GETINI(void);

/* Writes the entry; with the entry omitted removes the section, with the value omitted removes
   the entry. The omitted arguments are still popped. */
void Kiv$PUTINI(int32_t entryOmitted, int32_t valueOmitted);

KIV_EXTERN_C_END

#endif
