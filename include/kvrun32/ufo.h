/* Typed value descriptors (the Ufo family) and group layouts.

   A descriptor (Ufo) pairs a type code with the address of a value's storage. Descriptors made
   by the creating operations below belong to the caller, who frees them with Kiv$FreeUfo;
   freeing releases storage the descriptor owns, never storage it aliases. Operations that take
   "a descriptor or none" accept NULL. Descriptors of array elements and group fields are new
   descriptors too, freed by whoever asked for them.

   Group layout byte string
   ------------------------
   All numbers are little-endian; u8 is one byte, u32 four bytes.

     header:
       u8   22                  type code of a group
       u32  layout length       total bytes of the layout, this header included
       u32  element size        bytes of one group element
       u32  dimension           element count of the group itself; 0 for a single group
       u32  field count         number of field records that follow
       u8   name length, then the group's label (no terminator)
     one field record per field, in declaration order:
       u8   type code           1..20 as in types.h, 22 for a member group, 31 for references
       u8   places              fraction digits (DECIMAL, PDECIMAL), else 0
       u8   flags               bit 0: the field lies over an earlier field (OVER)
       u32  size                bytes of one element of the field
       u32  dimension           element count; 0 for a single value
       u32  offset              byte offset from the start of the group's first element
       u32  members             for a member group: how many of the following field records
                                belong to it (its fields and theirs); else 0
       u8   name length, then the label (such as "DIS:IDNUM"), possibly empty
       u8   picture length, then the picture (such as "@n13"), possibly empty
       u8   extra length, then further declaration text, possibly empty

   A member group is a field of type 22 whose own fields follow it as ordinary field records
   (their offsets are from the start of the outer group and lie inside the member group's first
   element), so fields are numbered flat, 1 upwards, in declaration order. A dimensioned member
   group repeats its fields every `size` bytes. Overlay fields are left out when a group is
   cleared, tested for blank or converted, since the fields under them already are. The group's size
   is its element size times its dimension (at least 1). A program builds a layout with the
   Kiv$Layout calls below rather than by assembling these bytes.

   Save/Load stream of one descriptor: the type code (u8), then for the string classes the length
   (u32), for DECIMAL, PDECIMAL and ULONG the size and places (u8 each), then the storage bytes.
   LoadVariant reads a u16 type word: bit 7 set means a string, given as a u32 length and the
   bytes; otherwise the low five bits are the type, types up to 6 followed by a 4-byte signed
   value, types 7 to 9 by an 8-byte double. */
#ifndef KVRUN32_UFO_H
#define KVRUN32_UFO_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* The fixed size of a type: 0 for the types whose size is declared. */
uint32_t INT$TYPESIZE(int32_t type);

/* Creating descriptors. */
Ufo* Kiv$Mem2Ufo(void* addr, int32_t type, uint32_t size, uint32_t places, int32_t ownCopy);
Ufo* Kiv$Group2Ufo(void* addr, const uint8_t* layout);
Ufo* Kiv$ArrayOfUfo(Ufo* element, int32_t count); /* takes over the element descriptor */
Ufo* Kiv$Long2Ufo(int32_t value);
Ufo* Kiv$Real2Ufo(double value);
Ufo* Kiv$Stack2Ufo(void);
Ufo* Kiv$DStack2Ufo(void);

/* Assigning. */
void Kiv$Stack2UfoC(Ufo* ufo);
void Kiv$ASSIGNSTR2UFO(Ufo* ufo);
void Kiv$AssignLong2Ufo(Ufo* ufo, int32_t value);
void Kiv$AssignReal2Ufo(Ufo* ufo, double value);
void Kiv$AssignUfo(Ufo* target, Ufo* source);
void Kiv$DeepAssign(Ufo* target, Ufo* source, const uint8_t* map);

/* Reading and comparing. */
void Kiv$PushUfo(Ufo* ufo);
int32_t Kiv$Ufo2Long(Ufo* ufo);
double Kiv$Ufo2Real(Ufo* ufo);
int32_t Kiv$Ufodistinct(Ufo* a, Ufo* b);
int32_t Kiv$Ufodistincti(Ufo* a, Ufo* b);
int32_t Kiv$UfoRealDiff(Ufo* ufo, double value);
int32_t Kiv$UfoComparen(Ufo* ufo);

/* Clearing (sign: negative = lowest value, 0 = empty, positive = highest value). */
void Kiv$ClearUfo(Ufo* ufo, int32_t sign);
void Kiv$CLEAR(void* addr, const uint8_t* layout, int32_t sign);
void Kiv$ClearType(void* addr, int32_t type, int32_t sign);

/* Selecting parts. */
Ufo* Kiv$SelectUfo(Ufo* ufo, int32_t index);
Ufo* Kiv$SelectUfo2(Ufo* ufo, int32_t start, int32_t end);
Ufo* Kiv$DesignateUfo(Ufo* ufo, int32_t n);
uint32_t Kiv$SizeUfo(Ufo* ufo);
void* Kiv$AddressUfo(Ufo* ufo);
int32_t Kiv$MaximumUfo(Ufo* ufo);

/* Copies and freeing. */
Ufo* Kiv$CloneUfo(Ufo* ufo, int32_t mode);
void Kiv$FreeUpUfo(Ufo* ufo);
void Kiv$FreeUfo(Ufo* ufo);

/* Character sets of text in place. */
void Kiv$OEMTOANSIdesc(Ufo* ufo);
void Kiv$ANSITOOEMdesc(Ufo* ufo);

/* Building a group layout by calls. Fields are laid out in call order without gaps and numbered
   from 1 in that order; a member group's fields follow it up to its Kiv$LayoutEndGroup.

     KivLayout* b = Kiv$LayoutBegin("PER:RECORD", 0);
     Kiv$LayoutField(b, KIV_LONG, 0, "PER:ID", 0, 0, NULL);        size 0: the type's own size
     Kiv$LayoutField(b, KIV_STRING, 20, "PER:NAME", 0, 0, NULL);
     Kiv$LayoutField(b, KIV_DECIMAL, 5, "PER:PAY", 2, 0, NULL);    DECIMAL(9,2): 5 bytes
     Kiv$LayoutGroup(b, "PER:PHONES");                             a member group ...
     Kiv$LayoutField(b, KIV_STRING, 15, "PER:PHONE", 0, 3, NULL);  ... of three numbers
     Kiv$LayoutEndGroup(b);
     uint8_t* layout = Kiv$LayoutEnd(b);       the builder is gone, the bytes are the caller's
     ... Kiv$LayoutSize(layout) is 74, the bytes a record of this layout takes ...
     Kiv$LayoutFree(layout);

   A mistake in the declaration (a type code the runtime cannot store, 22 given as a field
   rather than through Kiv$LayoutGroup, a sized type with neither size nor picture, a DECIMAL or
   PDECIMAL over 255 bytes, ending a group when none is open, placing a field over a label no
   earlier field has, an array of nothing, or no builder at all) is reported as a runtime error
   75 with "Parameter typing error", which ends the program while the runtime is active. */
typedef struct KivLayout KivLayout;

/* Starts a layout for a group with this label and dimension (0 = a single group). */
KivLayout* Kiv$LayoutBegin(const char* label, uint32_t dim);
/* Adds a field: type code; size in bytes (a fixed-size type always takes its own size; for a
   sized type 0 means the display width of its picture); label; places (fraction digits of
   DECIMAL and PDECIMAL); element count (0 = a single value); picture or NULL. Reference codes
   31..36 become 31. */
void Kiv$LayoutField(KivLayout* builder, int32_t type, uint32_t size, const char* label,
                     uint32_t places, uint32_t dims, const char* picture);
/* Makes the field or member group added last an array of `count` elements (multiplying an
   element count it already has). */
void Kiv$LayoutArray(KivLayout* builder, uint32_t count);
/* Opens a member group; the fields added until Kiv$LayoutEndGroup belong to it. */
void Kiv$LayoutGroup(KivLayout* builder, const char* label);
/* Closes the innermost open member group. */
void Kiv$LayoutEndGroup(KivLayout* builder);
/* Places the next field or member group over the latest earlier field with this label (OVER). */
void Kiv$LayoutOver(KivLayout* builder, const char* label);
/* Closes any groups still open, frees the builder and gives the layout bytes, which the caller
   frees with Kiv$LayoutFree (NULL with error 8 when there is no memory for them). */
uint8_t* Kiv$LayoutEnd(KivLayout* builder);
void Kiv$LayoutFree(uint8_t* layout);
/* The bytes a group of this layout takes: element size times dimension. A layout that does not
   read gives 0 and error 75. */
uint32_t Kiv$LayoutSize(const uint8_t* layout);

/* Microsoft binary floating point: BFLOAT4 (4 bytes) and BFLOAT8 (8 bytes). */
void Kiv$bstorefloat4(void* dst, double value);
double Kiv$bloadfloat4(const void* src);
void Kiv$bstorefloat(void* dst, double value);
double Kiv$bloadfloat(const void* src);

KIV_EXTERN_C_END

#endif
