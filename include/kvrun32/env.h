/* kvrun32 C interface: command line, paths and program control. */
#ifndef KVRUN32_ENV_H
#define KVRUN32_ENV_H

#include "queue.h"
#include "types.h"

KIV_EXTERN_C_BEGIN

/* Adds one entry per file matching the pattern on the string stack to the queue: the 8.3 name
   (13 bytes), the date and time serials of its DOS date and time, its size and attribute byte,
   in that record order. */
void Kiv$DIRECTORY(KivQueue* queue);

/* Clears the error state and pushes the current directory (at most 143 characters). */
void Kiv$PATH(void);
/* Pops a directory and makes it current; failure sets error 3 and leaves the directory as it was.
 */
void Kiv$SETPATH(void);

/* Pops a parameter selector and pushes that part of the command tail: "" the whole tail, "0"
   the program's file name, n the n-th token, "/x" a switch (gives "x" when present), "name"
   the text after "name=". */
void Kiv$COMMAND(void);
/* Pops a text that replaces the command tail. */
void Kiv$SETCOMMAND(void);
/* Fills a buffer of 144 bytes with the program's full file name. */
void Kiv$PROGNAME(char* buffer);

/* Pops a command line and starts it without waiting. */
void Kiv$RUN(void);
/* 0 after a successful RUN, -4 after a failed one. */
int32_t Kiv$RUNCODE(void);
/* RUN, then halt this program. */
void Kiv$CHAIN(void) __attribute__((noreturn));

/* Pops the help file name (a non-empty one becomes the program's help file), then a keyword,
   and opens the help file with the desktop's viewer. */
void Kiv$HELP(void);

KIV_EXTERN_C_END

#endif
