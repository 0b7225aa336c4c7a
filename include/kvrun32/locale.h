/* Locale tables: collation, case and character classes, national texts. */
#ifndef KVRUN32_LOCALE_H
#define KVRUN32_LOCALE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

enum { KIV_ISF_UPPER = 1, KIV_ISF_LOWER = 2, KIV_ISF_DIGIT = 4 };

/* The process's locale tables. */
typedef struct KivIsfInfo {
  uint8_t collate[256];    /* sort weight of each character code */
  uint8_t caseMap[256];    /* other-case partner of each letter, 0 for none */
  uint8_t classFlags[256]; /* KIV_ISF_UPPER, KIV_ISF_LOWER, KIV_ISF_DIGIT */
  char monthNames[12][13]; /* "January".."December", NUL terminated */
  char monthAbbrev[12][4]; /* "Jan".."Dec" */
  char amPm[2][3];         /* "AM", "PM" */
  uint8_t digraphs[16][3]; /* two characters that collate as one, then the weighing character */
  uint8_t digraphsOem[16][3];
  int32_t digraphCount;
  int32_t oemMode;         /* stored text is in the OEM character set */
  uint8_t collateOem[256]; /* collation weights used in OEM mode */
} KivIsfInfo;

extern KivIsfInfo ISFINFO;

KIV_EXTERN_C_END

#endif
