/* kvrun32 C interface: windows, events, the event loop and threads. */
#ifndef KVRUN32_WINDOW_H
#define KVRUN32_WINDOW_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Event codes the application reads from Kiv$EVENT (a few of the most used). */
enum {
  KIV_EVENT_ACCEPTED = 1,
  KIV_EVENT_NEWSELECTION = 2,
  KIV_EVENT_ALERTKEY = 15,
  KIV_EVENT_REJECTED = 26,
  KIV_EVENT_SELECTED = 257,
  KIV_EVENT_CLOSEWINDOW = 513,
  KIV_EVENT_CLOSEDOWN = 514,
  KIV_EVENT_OPENWINDOW = 515,
  KIV_EVENT_GAINFOCUS = 518,
  KIV_EVENT_SUSPEND = 520,
  KIV_EVENT_RESUME = 521,
  KIV_EVENT_TIMER = 523,
  KIV_EVENT_RESTORE = 546,
  KIV_EVENT_ICONIZED = 564,
  KIV_EVENT_COMPLETED = 549,
  KIV_EVENT_USER = 1024
};

/* Constructing (the USE-variable addresses follow the label, ending with 0), opening, closing
   and freeing window objects. The handle variable receives the window object. */
void Kiv$pwopen(void** handle, const char* module, const char* label, ...);
void Kiv$paopen(void** handle, const char* module, const char* label, ...);
void Kiv$pmopen(void** handle, const char* module, const char* label, ...);
void Kiv$OPENwindow(void* window);
void Kiv$CLOSEwindow(void* window);
void Kiv$freewindow(void* window);
void Kiv$SETTARGET(void* window, int32_t thread);
void* Wsl$GetTargetWindow(void);

/* The event loop. */
void Kiv$StartEventLoop(void);
int32_t Kiv$EndEventLoop(int32_t action); /* 0 default, 1 cycle, -1 break; 1 = loop ended */
void Kiv$EndEventLoops(int32_t keep);

/* The current event. */
int32_t Kiv$EVENT(void);
int32_t Kiv$FIELD(void);
int32_t Kiv$ACCEPTED(void);
int32_t Kiv$SELECTED(void);
int32_t Kiv$FOCUS(void);
int32_t Kiv$FIRSTFIELD(void);
int32_t Kiv$LASTFIELD(void);
void Kiv$FIELDNAME(int32_t feq); /* pushes the control's label */
int32_t Kiv$KEYCODE(void);
void Kiv$SETKEYCODE(int32_t keycode);
int32_t Kiv$KEYCHAR(void);
void Kiv$SETKEYCHAR(int32_t ch);
int32_t Kiv$KEYSTATE(void);
int32_t Kiv$MOUSEX(void);
int32_t Kiv$MOUSEY(void);

/* Event sources and control. */
void Kiv$POST(int32_t event, int32_t feq, int32_t thread);
void Kiv$SELECT(int32_t feq, int32_t position1, int32_t position2);
void Kiv$ALERT(int32_t first, int32_t last);
void Kiv$YIELD(void);
void Kiv$IDLE(void (*procedure)(void), int32_t seconds);

/* Threads and the runtime lock. */
int32_t Kiv$START(void (*procedure)(void), int32_t stackSize);
int32_t Kiv$THREAD(void);
void Kiv$UNLOCKTHREAD(void);
void Kiv$LOCKTHREAD(void);
int32_t Kiv$THREADLOCKED(void);
extern int32_t WslThred$ThreadNo; /* the running thread's slot (0-based) */

/* Runs the program: the calling thread (the process's main thread) serves the window system
   while `program` runs as thread 1 holding the runtime lock; returns when it returns. The
   program's entry code calls Wsl$CloseDown and _exit from inside `program`. */
void Wsl$Run(void (*program)(void));

/* Registers a resource linked into the program (the build's resource compiler emits these). */
void Wsl$AddResource(const char* type, const char* name, const void* data, uint32_t size);

KIV_EXTERN_C_END

#endif
