/* Program start and end, halting, and the process-wide error state. */
#ifndef KVRUN32_CORE_H
#define KVRUN32_CORE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* One entry of a module's initialiser table. */
typedef struct KivInitEntry {
  int32_t priority;      /* 1..255 run; anything else never initialises */
  void (*init)(int32_t); /* called with 0 at start, or NULL */
  void (*term)(int32_t); /* called with 1 at exit, or NULL */
} KivInitEntry;

/* A module that registers with the runtime: the program, or a library built the same way. */
typedef struct KivModule {
  struct KivModule* next;        /* next registered module */
  const KivInitEntry* initStart; /* initialiser table */
  const KivInitEntry* initEnd;
  void* instance;   /* instance handle, set by __sysinit */
  void* data1Start; /* first static-data range */
  void* data1End;
  void* data2Start; /* second static-data range */
  void* data2End;
  void** refsStart; /* indirect references to resolve */
  void** refsEnd;
  void* resolveStart; /* the range those references point into */
  void* resolveEnd;
} KivModule;

/* Start and end of a program. */
void __sysinit(KivModule* module, void* instance);
int32_t __checkversion(int32_t word, int32_t minor, int32_t patch);
int32_t __getversion(void);
void Kiv$init(void);
void Kiv$code(void);
void Wsl$CloseDown(void);
int32_t _atexit(void (*handler)(void));

/* The runtime's exit: runs the exit handlers newest first, the program's module terminators and
   the runtime's own shutdown (an open transaction rolled back, tables still open closed), then
   ends the process with the code. A second call ends the process at once.

   The library exports it as Kiv$exit and never under the C library's name _exit: a shared
   library's _exit would stand in for the C library's in every other library of the process
   (a forked child of Qt, glib or the C library that ends with _exit would shut the runtime
   down), and a library loaded after the C library would find the C library's _exit in place of
   its own. Programs still write _exit(code): the declaration below gives the name _exit, in
   every file that includes this header, the assembler name Kiv$exit, so each call and each
   address taken of _exit there is the runtime's exit. Unlike a macro it renames nothing else
   (members, other namespaces), and it agrees with <unistd.h>'s declaration in C and C++ in
   either order of inclusion (with Clang this header must come before the first use of _exit in
   the file). A file that includes this header and wants the C library's immediate exit calls
   _Exit from <stdlib.h>. */
void Kiv$exit(int32_t code) __attribute__((noreturn));
#if defined(__GNUC__) || defined(__clang__)
void _exit(int code) __asm__("Kiv$exit") __attribute__((noreturn));
#else
#error "kvrun32.h needs a compiler with assembler names (GCC or Clang) to map _exit to Kiv$exit"
#endif

/* Halting (the message is on top of the string stack). */
void Kiv$HALT(int32_t code, int32_t omitted) __attribute__((noreturn));
void Kiv$STOP(int32_t omitted);
void Standard$HALT(void) __attribute__((noreturn));

/* The error state. Kiv$ERRSTR holds 80 characters, space padded, not terminated. */
extern int32_t Kiv$ERRCODE;
extern char Kiv$ERRSTR[80];

void Kiv$seterror(int32_t code);
void Kiv$ovrerror(int32_t code, const char* text);
const char* Kiv$err_message(int32_t code);
const char* Kiv$IsfGetMsg(int32_t code); /* the locale override of a message, or NULL */
void Kiv$clearerror(void);
void Kiv$setfileerror(const char* code, const char* message);
void Kiv$SetErrorFile(void* fileRecord);
void* Kiv$GetErrorFile(void);
void Kiv$ERRORFILE(void);
void Kiv$FILEERRORCODE(void);
void Kiv$FILEERRORMSG(void);
void Kiv$StackErrstr(void);
void Kiv$rterr(int32_t code, const char* detail);
void Kiv$SaveErrorState(void);
void Kiv$RestoreErrorState(void);
uint32_t Kiv$OSERROR(void);

/* Program faults found by generated code; each ends in the runtime-error report. */
void __e_stack(void);
void __e_nil_ptr(void);
void __e_overflow(void);
void __e_range(void);
void __e_no_return(void);
void __e_no_case(void);
void __e_index(void);

/* The unsupported print-formatting entry. */
void psprintf(void);

KIV_EXTERN_C_END

#endif
