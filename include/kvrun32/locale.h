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
  /* The system date and time formats, in the platform's pattern notation ("MM/dd/yy",
     "ddd', 'MMMM' 'dd', 'yyyy", "hh:mm tt"): date pictures 17 and 18, time pictures 7 and 8. */
  char shortDate[64];
  char longDate[64];
  char shortTime[32];
  char longTime[32];
  char timeAmPm[2][9]; /* AM/PM texts of the system time formats */
} KivIsfInfo;

extern KivIsfInfo ISFINFO;

/* Building and changing the tables. */
void Kiv$isfinit(void);
void Kiv$LOCALE(int32_t keyAndValue); /* 0: pops a file name; else pops a value, then a key */
KivIsfInfo* _IsfInfoPtr(void);

/* Character classes and case. */
int32_t Kiv$isftoupper(int32_t c);
int32_t Kiv$isftolower(int32_t c);
int32_t Kiv$isfisupper(int32_t c);
int32_t Kiv$isfislower(int32_t c);
int32_t Kiv$isfisalpha(int32_t c);
int32_t Kiv$isfisalnum(int32_t c);
void Kiv$isfupper(char* text, uint32_t len);
void Kiv$isflower(char* text, uint32_t len);

/* Comparisons over a given length: the difference of the first differing weights. */
int32_t Kiv$isfcompare(const char* a, const char* b, uint32_t len);
int32_t Kiv$isficompare(const char* a, const char* b, uint32_t len);
int32_t Kiv$isfoemcompare(const char* a, const char* b, uint32_t len);

/* Stored text between the character sets: to OEM for storage, and back. Both do nothing
   unless the OEM mode flag is set. */
void Kiv$isfconvert(char* text, uint32_t len);
void Kiv$isfoemconvert(char* text, uint32_t len);

/* Language functions on the string stack. */
int32_t Kiv$IsAlpha(void);
int32_t Kiv$IsUpper(void);
int32_t Kiv$IsLower(void);
uint32_t Kiv$CollationVal(void);
void Kiv$CollationChar(uint32_t value);

KIV_EXTERN_C_END

#endif
