/* kvrun32 C interface: queues, in-memory lists of copies of a record buffer. */
#ifndef KVRUN32_QUEUE_H
#define KVRUN32_QUEUE_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* The queue's store of entries; opaque. */
typedef struct KivQueueStore KivQueueStore;

/* A queue as the program declares it. The store is created on the first operation and
   released by FREE; the layout is the record's group layout (ufo.h). */
typedef struct KivQueue {
  void* buffer;          /* the record buffer */
  KivQueueStore* store;  /* the entries, or NULL while the queue is unused */
  const uint8_t* layout; /* the record buffer's group layout */
} KivQueue;

/* Key lists. `fields` is a list of 1-based field numbers of the layout ending in 0, negative for
   a descending component. Key text (on the string stack) names fields by label, separated by
   commas and/or white space, each optionally led by "+" (ascending) or "-" (descending). An
   unknown field sets error 75. A keyed operation sets the key list, which stays in force for
   later plain ADD and PUT until the next keyed operation or FREE. */

/* Adding: in key order when a key list is in force (after all equal entries), else at the end. */
void Kiv$ADDqueue(KivQueue* queue);
/* Inserts before the 1-based position; 0 or beyond the count appends. */
void Kiv$ADDqueueptr(KivQueue* queue, int32_t position);
void Kiv$ADDqueuekey(KivQueue* queue, const int32_t* fields);
void Kiv$ADDqueueskey(KivQueue* queue);

/* Reading into the buffer: by position, or the first entry whose key fields equal the
   buffer's. Nothing found sets error 30. */
void Kiv$GETqueueptr(KivQueue* queue, int32_t position);
void Kiv$GETqueuekey(KivQueue* queue, const int32_t* fields);
void Kiv$GETqueueskey(KivQueue* queue);

/* Replacing the entry at the pointer by the buffer (moved to its key position when a key list
   is in force), and removing it. Pointer 0 or beyond the count sets error 30. */
void Kiv$PUTqueue(KivQueue* queue);
void Kiv$PUTqueuekey(KivQueue* queue, const int32_t* fields);
void Kiv$PUTqueueskey(KivQueue* queue);
void Kiv$DELETEqueue(KivQueue* queue);

/* Sets the key list and sorts every entry by it (stable). */
void Kiv$SORTqueuekey(KivQueue* queue, const int32_t* fields);
void Kiv$SORTqueueskey(KivQueue* queue);

/* The count, the 1-based position of the entry read or written last, whether the queue
   changed since the last MODIFIED (1 or 0), and the change number list boxes compare. */
int32_t Kiv$RECORDSqueue(KivQueue* queue);
int32_t Kiv$POINTERqueue(KivQueue* queue);
int32_t Kiv$MODIFIEDqueue(KivQueue* queue);
int32_t Kiv$NUMCHANGESqueue(KivQueue* queue);

/* Discards every entry and the store. */
void Kiv$FREEqueue(KivQueue* queue);

/* A queue made at run time, with a cleared record buffer of the layout's size; DISPOSE frees
   its entries, its buffer and the queue. */
KivQueue* Kiv$NEWqueue(const uint8_t* layout);
void Kiv$DISPOSEqueue(KivQueue* queue);

KIV_EXTERN_C_END

#endif
