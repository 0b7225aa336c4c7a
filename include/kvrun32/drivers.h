/* The entries of the two outside file drivers. A table descriptor's first word names the entry
   of its driver; a program that names one links the library that exports it: ZEPHRA (keyed
   tables) from kvzph32, ASCII (line text) from kvasc32. */
#ifndef KVRUN32_DRIVERS_H
#define KVRUN32_DRIVERS_H

#include "file.h"

KIV_EXTERN_C_BEGIN

int32_t ZEPHRA(int32_t operation, KivTable* table, intptr_t* args);
int32_t ASCII(int32_t operation, KivTable* table, intptr_t* args);

KIV_EXTERN_C_END

#endif
