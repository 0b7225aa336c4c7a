/* Pictures: compiling, formatting and deformatting values. */
#ifndef KVRUN32_PICTURE_H
#define KVRUN32_PICTURE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Size of a compiled-picture buffer. */
enum { KIV_PICTURE_SIZE = 515 };

/* Picture kinds (low three bits of a compiled picture's first byte) and its blank-when-zero
   flag (top bit). */
enum {
  KIV_PICT_NUMERIC = 0,
  KIV_PICT_SCIENTIFIC = 1,
  KIV_PICT_DATE = 2,
  KIV_PICT_TIME = 3,
  KIV_PICT_PATTERN = 4,
  KIV_PICT_STRING = 5,
  KIV_PICT_KEYIN = 6,
  KIV_PICT_BLANK_WHEN_ZERO = 0x80
};

/* Summary of a compiled picture for formatting (Kiv$pictcount). */
typedef struct KivPictCount {
  int32_t integerDigits;  /* digit positions before the decimal position */
  int32_t fractionDigits; /* digit positions after it */
  int32_t decimalPos;     /* 0-based item of the decimal position, -1 when there is none */
  int32_t decimalChar;    /* its character ('.', ',' or the implied-decimal letter), or 0 */
  int32_t groupingCount;  /* grouping positions */
} KivPictCount;

/* Compiles a picture of 1 to 255 characters into a KIV_PICTURE_SIZE buffer. Gives the display
   width (the item count, or a string picture's width), or -1 when the text does not compile;
   the buffer is then marked as not compiled. */
int32_t Kiv$storepict(const char* text, uint32_t len, void* buffer);
/* The first four bytes of the compiled picture (kind and flags, item count, pivot), or 0. */
void Kiv$checkpict(uint32_t* result, const char* text, uint32_t len);
void Kiv$pictcount(const void* picture, KivPictCount* summary);

/* Fills item-count characters of output with the value, given as text (a number, a date or
   time serial, or a string). */
void Kiv$formatpict(const void* picture, const char* value, uint32_t valueLen, char* output);
void Kiv$pictstorelong(const void* picture, int32_t value, char* output);
void Kiv$pictstorereal(const void* picture, double value, char* output);
/* The number text read back (dates and times as serials), NUL-terminated, in a buffer the next
   deformatting overwrites. A picture that did not compile gives an empty text. */
const char* Kiv$deformatpict(const void* picture, const char* text, uint32_t len);

/* FORMAT and DEFORMAT. The results are new heap strings; an empty picture text deformats by
   keeping only the characters of a number. */
void Kiv$FORMATlong(KivHeapStr* result, int32_t value, const char* pict, uint32_t pictLen);
void Kiv$FORMATreal(KivHeapStr* result, double value, const char* pict, uint32_t pictLen);
void Kiv$FORMATstr(KivHeapStr* result, const char* text, uint32_t len, const char* pict,
                   uint32_t pictLen);
void Kiv$DEFORMAT(KivHeapStr* result, const char* text, uint32_t len, const char* pict,
                  uint32_t pictLen);

/* On the string stack: the value (second) and the picture (top) are popped. */
void Kiv$StackFORMAT(void);
void Kiv$StackDEFORMAT(void);

/* Formatted values pushed onto the string stack. Kiv$PushPictDec formats a DECIMAL of the given
   size and places; Kiv$DPopPict pops the top of the decimal stack. */
void Kiv$PushPictLong(int32_t value, const char* pict, uint32_t pictLen);
void Kiv$PushPictReal(double value, const char* pict, uint32_t pictLen);
void Kiv$PushPictDec(const void* addr, uint32_t size, uint32_t places, const char* pict,
                     uint32_t pictLen);
void Kiv$DPopPict(const char* pict, uint32_t pictLen);

/* Pops text from the string stack and deformats it into a value. */
int32_t Kiv$PopPictLong(const char* pict, uint32_t pictLen);
double Kiv$PopPictReal(const char* pict, uint32_t pictLen);

KIV_EXTERN_C_END

#endif
