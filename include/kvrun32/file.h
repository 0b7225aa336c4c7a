/* The file layer: table and key descriptors, the file entry points, the driver protocol, the
 * active-file registry, transactions and the support functions exported for file drivers. */
#ifndef KVRUN32_FILE_H
#define KVRUN32_FILE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

struct KivTable;
struct KivKey;

/* A driver entry: operation code, the table (or view) descriptor, the argument block (one slot
 * per argument, in order). The result is what the function entry points hand back. */
typedef int32_t (*KivDriverEntry)(int32_t operation, struct KivTable* table, intptr_t* args);

/* Table descriptor: one per table (and per thread for per-thread tables), owned by the program. */
typedef struct KivTable {
  KivDriverEntry driver;      /* the driver's entry (import slot until bound) */
  const char* name;           /* the table's label, e.g. "DISKS" */
  uint32_t nameLen;           /* length of the label */
  const char* driverOptions;  /* driver option string, NUL-terminated, or NULL */
  uint8_t driverWords[12];    /* given to the driver as they stand */
  uint8_t attributes;         /* KIV_TABLE_THREADED; other bits belong to the driver */
  uint8_t keyCount;           /* entries in keys */
  uint8_t memoCount;          /* entries in memos */
  uint32_t recordLength;      /* bytes in the record buffer */
  const void* fieldLayout;    /* the record's group layout */
  struct KivKey* const* keys; /* key descriptors */
  void* const* memos;         /* memo/blob descriptors */
  void* record;               /* the record buffer the program reads and writes */
  void* openFile;             /* the driver's open-file object, NULL while closed */
} KivTable;

enum { KIV_TABLE_THREADED = 0x10 };

/* Key descriptor (KEY or INDEX). */
typedef struct KivKey {
  uint32_t reserved1;
  uint32_t reserved2;
  const char* name; /* the key's label, e.g. "FIL:BYNAME" */
  uint32_t nameLen;
  uint32_t reserved3;
  uint16_t attributes; /* KIV_KEY_* */
  uint16_t reserved4;
  uint8_t componentCount;    /* 0 for an index built at run time */
  const int32_t* components; /* 1-based field numbers, in key order */
  struct KivTable* table;    /* owning table */
  uint8_t reserved5[3];
} KivKey;

enum {
  KIV_KEY_DUP = 0x01,
  KIV_KEY_OPT = 0x02,
  KIV_KEY_NOCASE = 0x04,
  KIV_KEY_PRIMARY = 0x10,
  KIV_KEY_DYNAMIC = 0x4000
};

/* Open modes: access in the low bits, sharing in the high bits. */
enum {
  KIV_OPEN_READ = 0x00,
  KIV_OPEN_WRITE = 0x01,
  KIV_OPEN_READWRITE = 0x02,
  KIV_SHARE_COMPAT = 0x00,
  KIV_SHARE_DENY_ALL = 0x10,
  KIV_SHARE_DENY_WRITE = 0x20,
  KIV_SHARE_DENY_READ = 0x30,
  KIV_SHARE_DENY_NONE = 0x40
};

/* State word bits kept by drivers through the support functions. */
enum {
  KIV_STATE_OPEN = 0x0001,
  KIV_STATE_RECORD = 0x0002,
  KIV_STATE_LOGOUT = 0x0004,
  KIV_STATE_STREAM = 0x0008,
  KIV_STATE_LOCKED = 0x0010,
  KIV_STATE_SEQUENCE = 0x0020,
  KIV_STATE_WRITE = 0x0040,
  KIV_STATE_EXCLUSIVE = 0x0080,
  KIV_STATE_KEYBUILT = 0x0100,
  KIV_STATE_SETBYSET = 0x0200
};

/* The driver support functions find the state and pending words at these byte offsets of an
 * open-file object, and a per-key object's attribute byte and state word at these. A driver
 * starts its objects with these heads. */
#pragma pack(push, 1)
typedef struct KivDrvFileHead {
  uint8_t driverArea[57];
  uint32_t state;   /* offset 57 */
  uint32_t pending; /* offset 61 */
} KivDrvFileHead;

typedef struct KivDrvKeyHead {
  uint8_t driverArea[20];
  uint8_t attributes; /* offset 20; bit 40h: built at run time */
  uint32_t state;     /* offset 21; bit 0100h: built */
} KivDrvKeyHead;
#pragma pack(pop)

enum { KIV_DRVKEY_RUNTIME = 0x40 };

/* Driver operation codes. */
enum {
  KIV_DRV_ADD = 1,
  KIV_DRV_BOF = 2,
  KIV_DRV_BUILDFILE = 3,
  KIV_DRV_APPEND = 4,
  KIV_DRV_BUILDDYN = 5,
  KIV_DRV_BUILDKEY = 6,
  KIV_DRV_CLOSE = 7,
  KIV_DRV_COMMIT = 8,
  KIV_DRV_COPY = 9,
  KIV_DRV_CREATE = 10,
  KIV_DRV_DELETE = 11,
  KIV_DRV_DUPLICATEFILE = 12,
  KIV_DRV_EMPTY = 13,
  KIV_DRV_EOF = 14,
  KIV_DRV_GETKEY = 15,
  KIV_DRV_GETPTR = 16,
  KIV_DRV_GETKEYPTR = 17,
  KIV_DRV_HOLD = 18,
  KIV_DRV_HOLDSECS = 19,
  KIV_DRV_LOCK = 20,
  KIV_DRV_LOCKSECS = 21,
  KIV_DRV_LOGOUT = 22,
  KIV_DRV_NAME = 23,
  KIV_DRV_NEXT = 24,
  KIV_DRV_OPEN = 25,
  KIV_DRV_PACK = 26,
  KIV_DRV_POINTERFILE = 27,
  KIV_DRV_POINTERKEY = 28,
  KIV_DRV_FLUSH = 29,
  KIV_DRV_PUT = 30,
  KIV_DRV_PREVIOUS = 31,
  KIV_DRV_RECORDSFILE = 32,
  KIV_DRV_RECORDSKEY = 33,
  KIV_DRV_BUILDDYNFILTER = 34,
  KIV_DRV_NOOP35 = 35,
  KIV_DRV_RELEASE = 36,
  KIV_DRV_REMOVE = 37,
  KIV_DRV_RENAME = 38,
  KIV_DRV_NOOP39 = 39,
  KIV_DRV_ROLLBACK = 40,
  KIV_DRV_SETFILE = 41,
  KIV_DRV_SETFILEKEY = 42,
  KIV_DRV_SETFILEPTR = 43,
  KIV_DRV_SETKEY = 44,
  KIV_DRV_SETKEYKEY = 45,
  KIV_DRV_SETKEYPTR = 46,
  KIV_DRV_SETKEYKEYPTR = 47,
  KIV_DRV_SHARE = 48,
  KIV_DRV_SKIP = 49,
  KIV_DRV_UNLOCK = 50,
  KIV_DRV_ADDLEN = 51,
  KIV_DRV_BYTES = 52,
  KIV_DRV_GETPTRLEN = 53,
  KIV_DRV_PUTPTR = 54,
  KIV_DRV_PUTPTRLEN = 55,
  KIV_DRV_STREAM = 56,
  KIV_DRV_DUPLICATEKEY = 57,
  KIV_DRV_WATCH = 58,
  KIV_DRV_APPENDLEN = 59,
  KIV_DRV_SEND = 60,
  KIV_DRV_POSITIONFILE = 61,
  KIV_DRV_POSITIONKEY = 62,
  KIV_DRV_RESETFILE = 63,
  KIV_DRV_RESETKEY = 64,
  KIV_DRV_NOMEMO = 65,
  KIV_DRV_REGETFILE = 66,
  KIV_DRV_REGETKEY = 67,
  KIV_DRV_NULL = 68,
  KIV_DRV_SETNULL = 69,
  KIV_DRV_SETNONULL = 70,
  KIV_DRV_SETPROPERTY = 71,
  KIV_DRV_GETPROPERTY = 72,
  KIV_DRV_CURRENTKEY = 73,
  KIV_DRV_GETVIEWDRIVER = 74,
  KIV_DRV_BLOBYIELD = 75,
  KIV_DRV_BLOBTAKE = 76,
  KIV_DRV_BLOBSIZE = 77,
  KIV_DRV_BLOBSETPROPERTY = 78,
  KIV_DRV_BLOBGETPROPERTY = 79,
  KIV_DRV_BUFFER = 80,
  KIV_DRV_VIEWSETORDER = 81
};

/* The string-stack side of the driver protocol: how many string arguments an operation takes
 * off the string stack (the last pushed comes off first) ... */
static inline int Kiv$drvStringArgs(int32_t op) {
  switch (op) {
    case KIV_DRV_BUILDDYN:
    case KIV_DRV_COPY:
    case KIV_DRV_RENAME:
    case KIV_DRV_SEND:
    case KIV_DRV_RESETFILE:
    case KIV_DRV_RESETKEY:
    case KIV_DRV_REGETFILE:
    case KIV_DRV_REGETKEY:
    case KIV_DRV_GETPROPERTY:
    case KIV_DRV_BLOBGETPROPERTY:
      return 1;
    case KIV_DRV_BUILDDYNFILTER:
    case KIV_DRV_SETPROPERTY:
    case KIV_DRV_BLOBSETPROPERTY:
      return 2;
    default:
      return 0;
  }
}

/* ... and whether it leaves its answer there (an empty text when it failed). */
static inline int Kiv$drvPushesAnswer(int32_t op) {
  return op == KIV_DRV_NAME || op == KIV_DRV_SEND || op == KIV_DRV_POSITIONFILE ||
         op == KIV_DRV_POSITIONKEY || op == KIV_DRV_GETPROPERTY || op == KIV_DRV_BLOBGETPROPERTY;
}

/* File entry points. Each clears nothing and checks nothing itself: it hands the operation to
 * the driver of the table (for a key, of the key's owning table). String arguments travel on the
 * string stack. */
void Kiv$FILE_ADDf(KivTable* table);
int32_t Kiv$FILE_BOF(KivTable* table);
void Kiv$FILE_BUILDf(KivTable* table);
void Kiv$FILE_APPENDf(KivTable* table);
void Kiv$FILE_BUILDks(KivKey* key);
void Kiv$FILE_BUILDk(KivKey* key);
void Kiv$FILE_CLOSE(KivTable* table);
void Kiv$FILE_COPY(KivTable* table);
void Kiv$FILE_CREATE(KivTable* table);
void Kiv$FILE_DELETE(KivTable* table);
int32_t Kiv$FILE_DUPLICATEf(KivTable* table);
void Kiv$FILE_EMPTY(KivTable* table);
int32_t Kiv$FILE_CEOF(KivTable* table);
void Kiv$FILE_GETfk(KivTable* table, KivKey* key);
void Kiv$FILE_GETfl(KivTable* table, int32_t pointer);
void Kiv$FILE_GETkl(KivKey* key, int32_t pointer);
void Kiv$FILE_HOLDf(KivTable* table);
void Kiv$FILE_HOLDfi(KivTable* table, int32_t seconds);
void Kiv$FILE_LOCKf(KivTable* table);
void Kiv$FILE_LOCKfi(KivTable* table, int32_t seconds);
void Kiv$FILE_NAME(KivTable* table);
void Kiv$FILE_NEXT(KivTable* table);
void Kiv$FILE_OPEN(KivTable* table, int32_t mode);
void Kiv$FILE_PACK(KivTable* table);
int32_t Kiv$FILE_POINTERf(KivTable* table);
int32_t Kiv$FILE_POINTERk(KivKey* key);
void Kiv$FILE_FLUSH(KivTable* table);
void Kiv$FILE_PUTf(KivTable* table);
void Kiv$FILE_PREV(KivTable* table);
int32_t Kiv$FILE_RECORDSf(KivTable* table);
int32_t Kiv$FILE_RECORDSk(KivKey* key);
void Kiv$FILE_BUILDksf(KivKey* key);
void Kiv$FILE_RELEASE(KivTable* table);
void Kiv$FILE_REMOVE(KivTable* table);
void Kiv$FILE_RENAME(KivTable* table);
void Kiv$FILE_SETf(KivTable* table);
void Kiv$FILE_SETfk(KivTable* table, KivKey* key);
void Kiv$FILE_SETfl(KivTable* table, int32_t pointer);
void Kiv$FILE_SETk(KivKey* key);
void Kiv$FILE_SETkk(KivKey* key, KivKey* sameKey);
void Kiv$FILE_SETkl(KivKey* key, int32_t pointer);
void Kiv$FILE_SETkkl(KivKey* key, int32_t pointer);
void Kiv$FILE_SHARE(KivTable* table, int32_t mode);
void Kiv$FILE_SKIP(KivTable* table, int32_t count);
void Kiv$FILE_UNLOCK(KivTable* table);
void Kiv$FILE_ADDfu(KivTable* table, int32_t length);
int32_t Kiv$FILE_BYTES(KivTable* table);
void Kiv$FILE_GETflu(KivTable* table, int32_t pointer, int32_t length);
void Kiv$FILE_PUTfl(KivTable* table, int32_t pointer);
void Kiv$FILE_PUTflu(KivTable* table, int32_t pointer, int32_t length);
void Kiv$FILE_STREAM(KivTable* table);
int32_t Kiv$FILE_DUPLICATEk(KivKey* key);
void Kiv$FILE_WATCH(KivTable* table);
void Kiv$FILE_APPENDfu(KivTable* table, int32_t length);
void Kiv$FILE_SEND(KivTable* table);
void Kiv$FILE_POSITIONf(KivTable* table);
void Kiv$FILE_POSITIONk(KivKey* key);
void Kiv$FILE_RESETf(KivTable* table);
void Kiv$FILE_RESETk(KivKey* key);
void Kiv$FILE_NOMEMO(KivTable* table);
void Kiv$FILE_REGETf(KivTable* table);
void Kiv$FILE_REGETk(KivKey* key);
int32_t Kiv$FILE_NULL(KivTable* table, void* field);
void Kiv$FILE_SETNULL(KivTable* table, void* field);
void Kiv$FILE_SETNONULL(KivTable* table, void* field);
void Kiv$FILE_SET_PROPERTY(KivTable* table, int32_t element);
void Kiv$FILE_GET_PROPERTY(KivTable* table, int32_t element);
void Kiv$BLOB_YIELD(KivTable* table, int16_t blob, intptr_t pass1, intptr_t pass2);
void Kiv$BLOB_TAKE(KivTable* table, int16_t blob, intptr_t pass1, intptr_t pass2);
int32_t Kiv$BLOB_SIZE(KivTable* table, int16_t blob);
void Kiv$BLOB_SET_PROPERTY(KivTable* table, int16_t blob);
void Kiv$BLOB_GET_PROPERTY(KivTable* table, int16_t blob);
void Kiv$FILE_BUFFER(KivTable* table, int32_t number);
void Kiv$VIEW_SETvl(KivTable* view, int32_t components);

/* Transactions over a 0-terminated list of tables. */
void Kiv$LOGOUT(int32_t seconds, ...);
void Kiv$COMMIT(void);
void Kiv$ROLLBACK(void);

/* The active-file registry. */
void Kiv$activate_drv(KivTable* table, int32_t mode, int32_t canBegin, int32_t canRollback,
                      int32_t unlockAfter, int32_t lockBefore, int32_t canCommit);
void Kiv$deactivate_drv(KivTable* table);
int32_t Kiv$getfilemode(KivTable* table);
void Kiv$ThreadedFileOpen(KivTable* table);
void Kiv$ThreadedFileClose(KivTable* table);

/* Driver support functions. */
int32_t _drv_check_state(void* openFile, void* keyObject, int32_t operation, const char* position,
                         uint32_t positionLen);
int32_t _drv_check_any_state(void* keyObject, uint32_t state, uint32_t* pending, int32_t operation,
                             const char* position, uint32_t positionLen);
void _drv_update_state(void* openFile, void* keyObject, int32_t operation, int32_t error);
void _drv_update_any_state(void* keyObject, uint32_t* state, uint32_t* pending, int32_t operation,
                           int32_t error);
int32_t _drv_IsReservedWord(const char* name);
int32_t _drv_ChkName(const char* name, int32_t defaultExtension, char* output);
int32_t _drv_NextDrvStr(const KivTable* table, uint32_t* length, char* buffer);
void _drv_Strup(char* text);
char* _drv_MakeCSTRING(const char* text, int32_t length);
int32_t _drv_CopyFile(const char* source, const char* target);
int32_t _drv_CopyOrRenameFile(const char* source, const char* target, int32_t rename);
int32_t _drv_CopyOrRenameFiles(const char* baseName, const char* target, const char* extensions,
                               int32_t rename);
int32_t _drv_PathIsDirectory(const char* name);

/* Size of the output buffer _drv_ChkName fills (a completed name and its terminator). */
enum { KIV_DRV_NAME_MAX = 4096 };

KIV_EXTERN_C_END

#endif
