/* kvrun32 C interface: report. */
#ifndef KVRUN32_REPORT_H
#define KVRUN32_REPORT_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Report properties (the property operations of control.h). */
enum {
  KIV_PROP_PREVIEWQUEUE = 31827, /* Kiv$SetPropF with the queue's address: records the pages */
  KIV_PROP_PRINTRECORDED = 31828 /* write 1: print the recorded pages; reads 1 when not recording */
};
/* This runtime's report properties: the report's printer by name, read only (empty: it has
   none); the PDF file its pages print into instead of the printer (empty: the printer). */
enum { KIV_PROP_PRINTERNAME = 31244, KIV_PROP_PRINTFILE = 31852 };

/* Constructs a report object (the USE-variable addresses follow the label, ending with 0).
   Kiv$OPENwindow opens it (the printer and the first page), Kiv$CLOSEwindow ends the print job and
   Kiv$freewindow destroys it. */
void Kiv$propen(void** handle, const char* module, const char* label, ...);
/* Prints one band, given by its field equate. */
void Kiv$PRINTreport(void* report, int32_t band);
/* Prints the report's first detail band. */
void Kiv$PRINTdetail(void* report);
/* Completes the page in progress. */
void Kiv$ENDPAGE(void* report);
/* Shows the printer dialog over the process's printer set-up; 1 when a printer was chosen. */
int32_t Kiv$PRINTERDIALOG(void);

KIV_EXTERN_C_END

#endif
