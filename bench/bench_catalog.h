// Writes a benchmark's catalog afresh in the current folder: DISKS and FILES removed, made again
// and filled in stream mode, the records appended without their keys and the keys built once at
// the end (a million adds that each keep five keys take many times longer). `disk(d)` fills the
// DISKS record of disk d (1 to disks), `file(d, f)` the FILES record of its file f (0 to
// filesPerDisk - 1). Any error ends the benchmark.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "app/tables/catalog_tables.h"
#include "include/kiv/kiv.h"

template <typename FillDisk, typename FillFile>
void WriteBenchCatalog(int32_t disks, int32_t filesPerDisk, FillDisk disk, FillFile file) {
  for (kiv::Table* t : {static_cast<kiv::Table*>(&Disks), static_cast<kiv::Table*>(&Files)}) {
    t->remove();
    t->create();
    t->open(kiv::ReadWriteDenyAll);
    t->stream();
  }
  for (int32_t d = 1; d <= disks; ++d) {
    disk(d);
    Disks.add();
    for (int32_t f = 0; f < filesPerDisk; ++f) {
      file(d, f);
      Files.append();
    }
    if (kiv::errorCode()) std::abort();
  }
  Files.flush();
  Files.build();
  Disks.flush();
  if (kiv::errorCode()) std::abort();
  Files.close();
  Disks.close();
}
