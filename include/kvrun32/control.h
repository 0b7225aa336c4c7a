/* kvrun32 C interface: controls, properties, value movement, pop-up menus and message boxes. */
#ifndef KVRUN32_CONTROL_H
#define KVRUN32_CONTROL_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Property operations: the property number (and, for Kiv$SetPropS, the value after it) are
   pushed on the string stack first. window: 0 = the target window, -1 and -4 the process-wide
   objects. */
void Kiv$SetPropS(int32_t feq, int32_t index, void* window);
void Kiv$SetPropV(int32_t feq, int32_t index, void* window, Ufo* value);
void Kiv$SetPropF(int32_t feq, int32_t index, void* window, const void* address, uint32_t length);
void Kiv$SetPropQ(int32_t feq, int32_t index, void* window, struct KivQueue* queue);
void Kiv$GetPropS(int32_t feq, int32_t index, void* window);
void Kiv$DoProp(int32_t feq, int32_t index, void* window);

/* Value and state operations on a range of controls (last 0 = first only, first 0 = all). */
void Kiv$DISPLAY(int32_t first, int32_t last);
void Kiv$UPDATE(int32_t first, int32_t last);
void Kiv$CHANGE(int32_t feq); /* the new value is on the string stack */
void Kiv$HIDE(int32_t first, int32_t last);
void Kiv$UNHIDE(int32_t first, int32_t last);
void Kiv$DISABLE(int32_t first, int32_t last);
void Kiv$ENABLE(int32_t first, int32_t last);
void Kiv$ERASE(int32_t first, int32_t last);

/* Fonts (name on the string stack for SETFONT; GETFONT pushes it) and positions. */
void Kiv$SETFONT(int32_t feq, int32_t size, int32_t color, int32_t style);
void Kiv$GETFONT(int32_t feq, int32_t* size, int32_t* color, int32_t* style);
void Kiv$SETPOSITION(int32_t feq, int32_t x, int32_t y, int32_t width, int32_t height);
void Kiv$GETPOSITION(int32_t feq, int32_t* x, int32_t* y, int32_t* width, int32_t* height);

/* Control types (Kiv$CREATE, and what property 31745 reads). */
enum {
  KIV_CTL_PROMPT = 1,
  KIV_CTL_ENTRY = 2,
  KIV_CTL_TEXT = 3,
  KIV_CTL_BUTTON = 4,
  KIV_CTL_CHECK = 5,
  KIV_CTL_OPTION = 6,
  KIV_CTL_RADIO = 7,
  KIV_CTL_LIST = 8,
  KIV_CTL_COMBO = 9,
  KIV_CTL_DROPLIST = 10,
  KIV_CTL_SPIN = 11,
  KIV_CTL_PROGRESS = 12,
  KIV_CTL_PANEL = 13,
  KIV_CTL_IMAGE = 14,
  KIV_CTL_BOX = 15,
  KIV_CTL_LINE = 16,
  KIV_CTL_ELLIPSE = 17,
  KIV_CTL_REGION = 18
};

/* Run-time controls: the control type and its parent's equate (0 = the window). */
int32_t Kiv$CREATE(int32_t feq, int32_t type, int32_t parent);
void Kiv$DESTROY(int32_t first, int32_t last);
int32_t Kiv$CHOICE(int32_t feq);

/* Pop-up menu: the menu text is on the string stack; x or y below 0 means "at the mouse". */
int32_t Kiv$POPUP(int32_t x, int32_t y);

/* Mouse cursor: the cursor name is on the string stack, a standard cursor as FFh 01h and its
   identifier (low byte first); an empty name gives the normal cursor back. */
void Kiv$SETCURSOR(void);
enum { KIV_CURSOR_ARROW = 0x7F01, KIV_CURSOR_IBEAM = 0x7F02, KIV_CURSOR_WAIT = 0x7F03 };

/* Message box: text, caption and icon name pushed in that order. Gives the button pressed. */
int32_t Kiv$MessageBox(int32_t buttons, int32_t defaultButton);

KIV_EXTERN_C_END

#endif
