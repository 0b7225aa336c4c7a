// The catalog as the command line reads it: the tables of a folder, opened to read beside any
// desktop program that has them open, never created; the disks and files as listing rows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/cli/listing.h"
#include "app/tables/catalog_tables.h"

namespace cli {

// A failure the command reports on standard error and ends with (exit code 2).
struct CatalogError {
  std::string message;
};

// Makes `folder` the current folder, where the catalog's tables lie.
std::optional<CatalogError> enterCatalog(const std::string& folder);

// Opens a catalog table of this thread to read, shared with every other program. A missing
// table, one of another layout, a damaged one or one that cannot be opened gives the error,
// worded for the user, and leaves nothing changed.
std::optional<CatalogError> openToRead(kiv::Table& table);

// "2026-12-08T17:49:18.42" from a date and a time serial ("2026-12-08" without a time; empty
// without a date). Local time, as the catalog keeps it.
std::string isoDateTime(int32_t date, int32_t time);
// "17:49:18.42" from a time serial; empty without one.
std::string isoTime(int32_t time);

// Opens a catalog table of this thread to write beside other programs, creating a missing one
// (as the first logging does). Held by another program for itself (a save in progress), damaged
// or of another layout: the error, worded for the user, and nothing changed. The catalog's own
// opening then finds the table open and goes on.
std::optional<CatalogError> openToWrite(kiv::Table& table);

// The columns and the row of a DISKS record, and of a FILES record with its disk's label
// (grouped: led by the number of the file's group, as the duplicates list shows it).
Listing diskListing();
void addDisk(Listing& listing, const DisksRecord& d);
Listing fileListing(bool grouped = false);
void addFile(Listing& listing, const FilesRecord& f, std::string_view diskLabel,
             std::optional<int64_t> group = std::nullopt);

// The disk a user names by its ID number or its label (the ID when the text is a number that is
// a disk's ID, else the label, compared without regard to case); the record is left in Disks.rec.
// Several disks with the label, or none, give the error.
std::optional<CatalogError> findDisk(std::string_view idOrLabel);

}  // namespace cli
