/* The process-wide string stack, string functions and string storage. */
#ifndef KVRUN32_STRSTACK_H
#define KVRUN32_STRSTACK_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Pushing. */
void Kiv$PushString(const char* addr, uint32_t len);
void Kiv$PushTemp(char* addr, uint32_t len);
void Kiv$PushCString(const char* text);
void Kiv$PushNull(void);
void Kiv$PushLong(int32_t value);
void Kiv$PushReal(double value);
void Kiv$PushBool(int32_t truth);

/* Popping. */
void Kiv$PopString(char* addr, uint32_t len);
void Kiv$PopCString(char* buffer, uint32_t size);
void Kiv$PopPString(char* buffer, uint32_t size);
void Kiv$PopTemp(KivHeapStr* out);
void Kiv$PullTemp(KivHeapStr* out);
void Kiv$STACKpop(void);
int32_t Kiv$StackLen(void);
int32_t Kiv$StackLen2(void);
double Kiv$PopReal(void);
int32_t Kiv$PopLong(void);

/* Stack management. */
void Kiv$StackHeap(void);
void Kiv$StackRotate(int32_t k);
int32_t Kiv$Omitted(int32_t n, int32_t count, const uint8_t* flags);
int32_t Kiv$StackDepth(void);

/* String operations on the stack. */
void Kiv$StackConcat(void);
void Kiv$StackConcatR(void);
int32_t Kiv$StackCompare(void);
int32_t Kiv$StackCompareR(void);
int32_t Kiv$StackCompareI(void);
int32_t Kiv$StackCompareN(void);
void Kiv$StackCLIP(void);
void Kiv$StackLEFT(int32_t width);
void Kiv$StackRIGHT(int32_t width);
void Kiv$StackCENTER(int32_t width);
void Kiv$StackSUB(int32_t start, int32_t length);
void Kiv$StackALL(int32_t length);
int32_t Kiv$StackINSTRING(int32_t step, int32_t start);
void Kiv$StackUPPER(void);
void Kiv$StackLOWER(void);
int32_t Kiv$StackVAL(void);
int32_t Kiv$StackNumeric(void);
int32_t Kiv$StackINLIST(int32_t n);

/* Operations on storage. A NULL source means "fill", with the sign in srcLen. */
void Kiv$storestr(char* dst, uint32_t dstLen, const char* src, int32_t srcLen);
void Kiv$storecstr(char* buffer, uint32_t size, const char* src, int32_t srcLen);
void Kiv$storepstr(char* buffer, uint32_t size, const char* src, int32_t srcLen);
void Kiv$clearstr(char* dst, uint32_t len);
int32_t Kiv$comparestr(const char* a, uint32_t aLen, const char* b, uint32_t bLen);
void Kiv$concatstr(KivHeapStr* out, const char* a, uint32_t aLen, const char* b, uint32_t bLen);
void Kiv$loadstr(KivHeapStr* out, const char* addr, uint32_t len);
void Kiv$freestr(KivHeapStr* str);
void Kiv$duplicate(char* buffer, uint32_t unit, uint32_t count);
void Kiv$SUB(KivHeapStr* out, const char* addr, uint32_t len, int32_t start, int32_t length);
int32_t Kiv$_instring(const char* sought, uint32_t soughtLen, const char* searched,
                      uint32_t searchedLen, int32_t start, int32_t step);

/* Standalone forms on a given string; each fills a new heap string. */
void Kiv$CLIP(KivHeapStr* out, const char* addr, uint32_t len);
void Kiv$LEFT(KivHeapStr* out, const char* addr, uint32_t len, int32_t width);
void Kiv$RIGHT(KivHeapStr* out, const char* addr, uint32_t len, int32_t width);
void Kiv$CENTER(KivHeapStr* out, const char* addr, uint32_t len, int32_t width);
void Kiv$ALL(KivHeapStr* out, const char* addr, uint32_t len, int32_t length);
void Kiv$UPPER(KivHeapStr* out, const char* addr, uint32_t len);
void Kiv$LOWER(KivHeapStr* out, const char* addr, uint32_t len);
void Kiv$CAPITAL(KivHeapStr* out, const char* addr, uint32_t len);
int32_t Kiv$NUMERIC(const char* addr, uint32_t len);
int32_t Kiv$INSTRING(const char* sought, uint32_t soughtLen, const char* searched,
                     uint32_t searchedLen, int32_t step, int32_t start);

/* The runtime's text-to-number conversions. */
double _atof(const char* text);
double _strtod(const char* text, char** end);

KIV_EXTERN_C_END

#endif
