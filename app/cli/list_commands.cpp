// disks and files: the catalog's lists.
#include <cstdio>

#include "app/cli/catalog_access.h"
#include "app/cli/command_line.h"
#include "app/cli/commands.h"

namespace cli {

std::optional<Format> listingFormat(const Arguments& args, std::string* error) {
  std::optional<Format> format;
  const std::pair<const char*, Format> kinds[] = {{"--csv", Format::Csv},
                                                  {"--json", Format::Json},
                                                  {"--jsonl", Format::JsonLines},
                                                  {"-0", Format::Nul}};
  for (const auto& [flag, f] : kinds) {
    if (!args.has(flag)) continue;
    if (format) {
      *error = "give one output format only";
      return std::nullopt;
    }
    format = f;
  }
  return format.value_or(Format::Text);
}

namespace {

// Enters the catalog folder the options name; the error message when that fails.
std::optional<CatalogError> enterTheCatalog(const Arguments& args) {
  if (std::optional<std::string> folder = args.value("--catalog")) return enterCatalog(*folder);
  return std::nullopt;
}

}  // namespace

int runDisks(const Arguments& args) {
  std::string error;
  std::optional<Format> format = listingFormat(args, &error);
  if (!format) return usageError("disks", error);
  if (!args.operands.empty()) return usageError("disks", "unexpected " + args.operands[0]);
  if (auto e = enterTheCatalog(args)) return failure("disks", e->message);
  if (auto e = openToRead(Disks)) return failure("disks", e->message);
  Listing listing = diskListing();
  Disks.set(Disks.ByIdNum);
  for (Disks.next(); kiv::errorCode() == 0; Disks.next()) addDisk(listing, Disks.rec);
  if (kiv::errorCode() != 33) return failure("disks", "reading DISKS: " + kiv::error());
  Kiv$clearerror();
  Disks.close();
  listing.write(stdout, *format);
  return kDone;
}

int runFiles(const Arguments& args) {
  std::string error;
  std::optional<Format> format = listingFormat(args, &error);
  if (!format) return usageError("files", error);
  if (args.operands.size() != 1) return usageError("files", "name one disk, by its ID or label");
  if (auto e = enterTheCatalog(args)) return failure("files", e->message);
  if (auto e = openToRead(Disks)) return failure("files", e->message);
  if (auto e = openToRead(Files)) return failure("files", e->message);
  if (auto e = findDisk(args.operands[0])) return failure("files", e->message);
  const DisksRecord disk = Disks.rec;
  Listing listing = fileListing();
  // FIL:BYDISKID from the disk's first file: the disk's files in short-name order.
  Files.rec.clear(-1);
  Files.rec.DiskId = disk.IdNum;
  Files.set(Files.ByDiskId, Files.ByDiskId);
  for (Files.next(); kiv::errorCode() == 0 && Files.rec.DiskId == disk.IdNum; Files.next())
    addFile(listing, Files.rec, disk.Label.clipped());
  if (kiv::errorCode() != 0 && kiv::errorCode() != 33)
    return failure("files", "reading FILES: " + kiv::error());
  Kiv$clearerror();
  Files.close();
  Disks.close();
  listing.write(stdout, *format);
  return kDone;
}

const std::vector<Command>& commands() {
  static const std::vector<Command> all = {
      {"find",
       {{}, {"--disks", "--case", "--csv", "--json", "--jsonl", "-0"}},
       "usage: tarrow find TEXT [options]\n"
       "       tarrow find FIELD OPERATOR VALUE [--case] [options]\n"
       "       tarrow find --disks FIELD OPERATOR VALUE [--case] [options]\n"
       "options: [--csv | --json | --jsonl | -0] [--catalog DIR]\n"
       "\n"
       "Searches the catalog as the Search Wizard does, with the same comparisons. TEXT alone\n"
       "finds the files whose long name contains it (without regard to case).\n"
       "File fields:  name (the short name), long, path, type, size, date, time, attrib,\n"
       "              comment, disk (the disk's ID number)\n"
       "Disk fields (--disks):  id, category, comment, files, free, serial, total, user, label\n"
       "Operators:    eq, ne, gt, lt, ge, le, begins, ends, contains, excludes\n"
       "  --case      compare text with regard to case\n"
       "Dates are YYYY-MM-DD, times HH:MM[:SS[.cc]]; sizes are whole bytes. Each file found\n"
       "shows its disk (ID and label), full path, size, date and time; -0 writes the paths,\n"
       "each ended by a NUL. Exits 0 when something was found, 1 when nothing was.\n",
       runFind},
      {"disks",
       {{}, {"--csv", "--json", "--jsonl", "-0"}},
       "usage: tarrow disks [--csv | --json | --jsonl | -0] [--catalog DIR]\n"
       "\n"
       "Lists every catalogued disk in ID order: ID, label, category, total and free bytes,\n"
       "number of files, drive type, serial number and comments (the machine formats also\n"
       "carry the user number and the keywords). -0 writes the labels, each ended by a NUL.\n",
       runDisks},
      {"files",
       {{}, {"--csv", "--json", "--jsonl", "-0"}},
       "usage: tarrow files DISK [--csv | --json | --jsonl | -0] [--catalog DIR]\n"
       "\n"
       "Lists the files of one disk, named by its ID number or its volume label, in short-name\n"
       "order: disk, label, full path, size in bytes and the date last changed (the machine\n"
       "formats also carry the short and long name, type, attributes, the three file times and\n"
       "the comment; dates are ISO 8601 in local time). -0 writes the paths, each ended by a "
       "NUL.\n",
       runFiles},
      {"dupes",
       {{"--category"}, {"--csv", "--json", "--jsonl", "-0"}},
       "usage: tarrow dupes [--category NAME] [--csv | --json | --jsonl | -0] [--catalog DIR]\n"
       "\n"
       "Lists the duplicate files of the catalog, or of the disks of one category, as the\n"
       "duplicate-file reports group them: files in short-name order, a file listed when its\n"
       "short name (without regard to case) is also the next or the previous file's. Each line\n"
       "leads with its group number. Exits 0 when duplicates were found, 1 when none were.\n",
       runDupes},
      {"report",
       {{"-o", "--order", "--category"}, {}},
       "usage: tarrow report disks [--order ORDER] -o FILE.pdf [--catalog DIR]\n"
       "       tarrow report files DISK -o FILE.pdf\n"
       "       tarrow report dupes [--category NAME] -o FILE.pdf\n"
       "       tarrow report labels LAYOUT -o FILE.pdf\n"
       "       tarrow report idlabels FROM TO -o FILE.pdf\n"
       "\n"
       "Prints one of the desktop program's reports into a PDF file, without the preview and\n"
       "without a display: the disk list (ORDER: id, label, category, free, each also with\n"
       "-desc; id when not given), the files of one disk (by ID or label), the duplicate files\n"
       "(of the whole catalog or one category), disk labels on the sheets of a label layout,\n"
       "and disk-ID labels for the numbers FROM to TO. Exits 0 when the file was printed, 1\n"
       "when the report had nothing to print (no file is made then).\n",
       runReport},
      {"log",
       {{"--category", "--note", "--disk"}, {"--refresh", "--new", "--no-files"}},
       "usage: tarrow log PLACE [--refresh | --new] [--disk ID] [--category NAME]\n"
       "                        [--no-files] [--note TEXT] [--catalog DIR]\n"
       "\n"
       "Catalogues a volume as the desktop program's Log Disk and Save do. PLACE is a drive\n"
       "letter (E: or E:\\), a mount point or a folder (a folder that no drive letter stands\n"
       "for is logged under a free letter, from Y: down).\n"
       "  --refresh      the label is catalogued already: replace that disk (keeps its user\n"
       "                 number, category and file comments); --disk ID picks one of several\n"
       "  --new          the label is catalogued already: add the volume as another disk\n"
       "  --category NAME, --note TEXT   the disk's category and comment\n"
       "  --no-files     catalogue the disk without its files\n"
       "Without --refresh or --new, a label that is catalogued already stops the command with\n"
       "nothing written. Exits 0 once the disk is saved.\n",
       runLog},
  };
  return all;
}

}  // namespace cli
