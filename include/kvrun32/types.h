/* Types shared by every part of the kvrun32 C interface. */
#ifndef KVRUN32_TYPES_H
#define KVRUN32_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KIV_EXTERN_C_BEGIN extern "C" {
#define KIV_EXTERN_C_END }
#else
#define KIV_EXTERN_C_BEGIN
#define KIV_EXTERN_C_END
#endif

/* Type codes of the language's data types. */
enum {
  KIV_BYTE = 1,
  KIV_SHORT = 2,
  KIV_USHORT = 3,
  KIV_DATE = 4,
  KIV_TIME = 5,
  KIV_LONG = 6,
  KIV_ULONG = 7,
  KIV_SREAL = 8,
  KIV_REAL = 9,
  KIV_DECIMAL = 10,
  KIV_PDECIMAL = 11,
  KIV_BFLOAT4 = 13,
  KIV_BFLOAT8 = 14,
  KIV_STRING = 18,
  KIV_CSTRING = 19,
  KIV_PSTRING = 20,
  KIV_GROUP = 22,
  KIV_PICTURED = 29,
  KIV_REFERENCE = 31
};

/* A heap string: an address and a length, owned by whoever holds the pair. */
typedef struct KivHeapStr {
  char* addr;   /* text, or NULL when len is 0 */
  uint32_t len; /* length in bytes */
} KivHeapStr;

/* Message-box buttons (a set is their sum) and the answer codes. */
enum {
  KIV_BUTTON_OK = 1,
  KIV_BUTTON_YES = 2,
  KIV_BUTTON_NO = 4,
  KIV_BUTTON_ABORT = 8,
  KIV_BUTTON_RETRY = 16,
  KIV_BUTTON_IGNORE = 32,
  KIV_BUTTON_CANCEL = 64,
  KIV_BUTTON_HELP = 128
};

/* Standard icons of message boxes, by their platform identifiers. */
enum {
  KIV_ICON_NONE = 0,
  KIV_ICON_HAND = 0x7F01, /* the error icon */
  KIV_ICON_QUESTION = 0x7F02,
  KIV_ICON_EXCLAMATION = 0x7F03,
  KIV_ICON_ASTERISK = 0x7F04
};

/* Descriptor family of typed values; opaque to C callers. */
typedef struct Ufo Ufo;

#endif
