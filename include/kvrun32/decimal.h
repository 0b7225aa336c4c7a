/* The process-wide decimal stack and the REAL operations. */
#ifndef KVRUN32_DECIMAL_H
#define KVRUN32_DECIMAL_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Pushing. */
void Kiv$DPushDec(const void* addr, uint32_t size, uint32_t places);
void Kiv$DPushPdec(const void* addr, uint32_t size, uint32_t places);
void Kiv$DPushLong(int32_t value);
void Kiv$DPushULong(uint32_t value);
void Kiv$DPushReal(double value);
void Kiv$DPushCString(const char* text);
void Kiv$DPushConstant(const uint8_t* digits, uint32_t count, uint32_t places, int32_t negative);
void Kiv$Stack2DStack(void);

/* Popping. */
void Kiv$DPopDec(void* addr, uint32_t size, uint32_t places);
void Kiv$DPopPdec(void* addr, uint32_t size, uint32_t places);
int32_t Kiv$DPopLong(void);
uint32_t Kiv$DPopUlong(void);
double Kiv$DPopReal(void);
void Kiv$DStack2Stack(void);

/* Arithmetic and comparison. */
void Kiv$DecAdd(void);
void Kiv$DecSub(void);
void Kiv$DecSubR(void);
void Kiv$DecMul(void);
void Kiv$DecDivide(void);
void Kiv$DecDivideR(void);
void Kiv$DRound(void);
void Kiv$DInt(void);
void Kiv$DAbs(void);
void Kiv$DNegate(void);
void Kiv$DSwap(void);
void Kiv$Dulongpower(uint32_t n);
void Kiv$Dlongpower(int32_t n);
int32_t Kiv$DecDistinct(void);
int32_t Kiv$DecDistinctR(void);
int32_t Kiv$DecCompareN(void);
void Kiv$ClearDec(void* addr, uint32_t size, int32_t type, int32_t sign);
int32_t Kiv$DStackDepth(void);

/* REAL operations. */
double Kiv$divide(double a, double b);
double Kiv$ROUND(double x, double unit);
double Kiv$INT(double x);
double Kiv$modulus(double a, double b);
double Kiv$longpower(double x, int32_t n);
double Kiv$realpower(double x, double y);
int32_t Kiv$lroundd(double x);
uint32_t Kiv$uroundd(double x);
int32_t Kiv$realdistinct(double a, double b);

KIV_EXTERN_C_END

#endif
