/* kvrun32 C interface: views, run by the runtime's own view engine VIEWDRIVER. */
#ifndef KVRUN32_VIEW_H
#define KVRUN32_VIEW_H

#include "file.h"
#include "types.h"

KIV_EXTERN_C_BEGIN

/* View descriptor: one per VIEW, owned by the program. The file layer treats it like a table
 * descriptor: only the driver entry is read through the table's type.
 *
 * Structure description (bytes, little-endian), one component record after the other, nested:
 *   i8   link count: 0 for the primary; for a join the number of linking key components, or -1
 *        for a join made by a condition
 *   then for a positive link count that many u16 field numbers of the parent, in the child key's
 *        component order; for -1 the condition text, NUL-terminated
 *   u16  field count; FFFFh: the whole record
 *   that many u16 field numbers; an entry FFFFh is a memo, followed by its u16 memo number
 *   u8   join count, then that many nested component records
 *
 * Component list: the primary table's descriptor, then for each join in structure order (depth
 * first) the child key's descriptor, or the child table's descriptor for a condition join. */
typedef struct KivView {
  KivDriverEntry driver;    /* VIEWDRIVER, or a native view driver while one has taken over */
  const uint8_t* structure; /* the structure description; NULL for a view built at run time */
  void* const* components;  /* tables and keys, in structure order */
  void* engine;             /* the engine's per-view object while open, NULL in stored form */
  uintptr_t reserved;       /* 0 */
} KivView;

/* View properties (Kiv$FILE_SET_PROPERTY with the number and the value on the string stack). */
enum { KIV_VIEW_PROP_FILTER = 31928, KIV_VIEW_PROP_ORDER = 31974 };

/* The view engine's driver entry. At the first operation on a closed view it asks the primary
 * table's driver for a native view driver with DRV_GETVIEWDRIVER (no table): a driver that has
 * one answers non-zero and leaves the entry's address in the first slot of the argument block,
 * since the 32-bit result cannot hold an address. */
int32_t VIEWDRIVER(int32_t operation, KivTable* view, intptr_t* args);

KIV_EXTERN_C_END

#endif
