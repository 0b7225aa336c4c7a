// The report preview: the recorded pages of a report shown as thumbnails or one page zoomed,
// paged through, and ended with Print or Exit.
#pragma once

#include <cstdint>
#include <string>

#include "include/kiv/kiv.h"

// The pages a report records for its preview: one 80-character page name per page, in order.
#define PREVIEW_PAGE_FIELDS(FIELD) FIELD(Name, kiv::String<80>, "NAME")
KIV_RECORD(PreviewPageRecord, "PVQ", PREVIEW_PAGE_FIELDS);
using PreviewPages = kiv::Queue<PreviewPageRecord>;

// Shows the pages on this thread. Gives (and leaves in GlobalResponse) response::Completed
// when the user chose to print, response::Cancelled when the preview was left otherwise.
int32_t ReportPreview(PreviewPages& pages);

// The jump window: the page chosen, or `current` when cancelled.
int32_t JumpToPage(int32_t current, int32_t pages);

// The change-display window: edits across and down in place.
void ChangeDisplay(kiv::Long& across, kiv::Long& down);

// The print-to-file window of a computer without a printer: the PDF file to print `document`
// into, or "" when the user cancelled.
std::string PrintToFileName(std::string_view document);
