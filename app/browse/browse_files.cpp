// BrowseFiles, every file of the catalog, and BrowseSomeFiles, the files of one disk, each in
// the orders a user looks for a file by (name, date, size, type, and for all files the disk);
// UpdateFiles, the file form.
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_controls.h"
#include "app/browse/browse_window.h"
#include "app/browse/form_support.h"
#include "app/browse/rules.h"
#include "app/frame/frame.h"

namespace {

using namespace browsefiles_feq;

#define FILE_ROW_FIELDS(FIELD)                   \
  FIELD(DiskId, kiv::Long, "DISKID")             \
  FIELD(LongName, kiv::String<260>, "LONGNAME")  \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(Date, kiv::Long, "DATE")                 \
  FIELD(Time, kiv::Long, "TIME")                 \
  FIELD(Size, ByteCount, "SIZE")                 \
  FIELD(Attrib, kiv::String<4>, "ATTRIB")        \
  FIELD(Type, kiv::String<3>, "TYPE")            \
  FIELD(Path, kiv::String<260>, "PATH")          \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(FileRow, "FRW", FILE_ROW_FIELDS);

void buildRow(FileRow& row) {
  const FilesRecord& f = Files.rec;
  row.DiskId = f.DiskId;
  row.LongName = f.LongName.view();
  row.ShortName = f.ShortName.view();
  row.Date = f.DisplayDate;
  row.Time = f.DisplayTime;
  row.Size = f.Size;
  row.Attrib = f.Attrib.view();
  row.Type = f.Type.view();
  row.Path = f.Path.view();
}

// A number typed into a locator ("1,024" reads 1024); 0 when it holds none.
uint64_t typedNumber(const std::string& text) {
  uint64_t n = 0;
  for (char c : text)
    if (c >= '0' && c <= '9' && n < (uint64_t(1) << 59)) n = n * 10 + uint64_t(c - '0');
  return n;
}

// A date typed into a locator: a year alone ("1997"), or a date as the list shows it.
int32_t typedDate(const std::string& text) {
  const std::string t(kiv::clip(text));
  if (t.size() == 4 && t.find_first_not_of("0123456789") == std::string::npos)
    return Kiv$DATE(1, 1, std::stoi(t));
  KivHeapStr h{};
  Kiv$DEFORMAT(&h, t.data(), uint32_t(t.size()), "@d2", 3);
  const std::string serial = kiv::takeHeap(h);
  return serial.empty() ? 0 : std::atoi(serial.c_str());
}

std::string nameValue() { return SortableText(Files.rec.ShortName.view()); }

// The sort orders of the files browses: name, date, size, type (and disk, for all files).
// With `oneDisk` they read one disk's files through FIL:BYDISKID in the view's own order.
std::vector<BrowseOrder> fileOrders(bool oneDisk) {
  std::vector<BrowseOrder> orders(oneDisk ? 4 : 5);
  auto keyOf = [&](kiv::Key& key) -> kiv::Key* { return oneDisk ? &Files.ByDiskId : &key; };
  // One disk: the disk's ID goes with every locate, so it starts within the disk.
  auto onDisk = [oneDisk] {
    if (oneDisk) Files.rec.DiskId = DiskIdToShow;
  };
  orders[0] = {keyOf(Files.ByName), 1, LocateName,
               [onDisk](const std::string& t) {
                 onDisk();
                 Files.rec.ShortName = t;
               },
               nameValue};
  orders[1] = {keyOf(Files.ByDate), 2, LocateDate,
               [onDisk](const std::string& t) {
                 onDisk();
                 Files.rec.DisplayDate = typedDate(t);
               },
               [] {
                 return SortableNumber(int64_t(Files.rec.DisplayDate)) +
                        SortableNumber(int64_t(Files.rec.DisplayTime)) + nameValue();
               }};
  orders[2] = {keyOf(Files.BySize), 3, LocateSize,
               [onDisk](const std::string& t) {
                 onDisk();
                 Files.rec.Size.setWhole(typedNumber(t));
               },
               [] { return SortableNumber(Files.rec.Size.whole()) + nameValue(); }};
  orders[3] = {keyOf(Files.ByType), 4, LocateType,
               [onDisk](const std::string& t) {
                 onDisk();
                 Files.rec.Type = t;
               },
               [] { return SortableText(Files.rec.Type.view()) + "|" + nameValue(); }};
  if (oneDisk) {
    // The disk's files in the view's own order: its ID (which the key gives) and the order's
    // fields after it.
    orders[0].viewOrder = "";
    orders[1].viewOrder = "+FIL:DiskID,+FIL:DisplayDate,+FIL:DisplayTime,+FIL:ShortName";
    orders[1].locateComponents = 2;
    orders[2].viewOrder = "+FIL:DiskID,+FIL:Size,+FIL:ShortName";
    orders[2].locateComponents = 2;
    orders[3].viewOrder = "+FIL:DiskID,+UPPER(FIL:Type),+FIL:ShortName";
    orders[3].locateComponents = 2;
  } else {
    orders[4] = {&Files.ByDiskId, 5, LocateDisk,
                 [](const std::string& t) { Files.rec.DiskId = int32_t(typedNumber(t)); },
                 [] { return SortableNumber(int64_t(Files.rec.DiskId)) + nameValue(); }};
  }
  return orders;
}

BrowseSpec fileSpec(bool oneDisk) {
  BrowseSpec s;
  s.module = kFileBrowseModule;
  s.label = oneDisk ? "BROWSESOMEFILES$QUICKWINDOW" : "BROWSEFILES$QUICKWINDOW";
  s.section = oneDisk ? "BrowseSomeFiles" : "BrowseFiles";
  s.table = &Files;
  s.tableName = "Files";
  s.controls = {List, Insert, Change, Delete, 0, Close, Sheet};
  s.orders = fileOrders(oneDisk);
  s.form = UpdateFiles;
  s.endEvent = oneDisk ? 0 : frame_event::FilesBrowseEnded;
  s.followBottom = {Insert, Change, Delete, Close, Path};
  s.followRight = {Change, Delete, Close};
  s.growWidth = {List, Sheet, Path};
  if (oneDisk) {
    s.followBottom.push_back(DiskLine);
    s.growWidth.push_back(DiskLine);
  }
  s.growHeight = {List};
  return s;
}

// The line under the list: the selected file's whole path and its comment.
template <typename Row>
void showSelectedPath(BrowseWindow<Row>& b) {
  std::string text;
  if (!b.page().empty()) {
    text = std::string(Files.rec.Path.clipped());
    if (!Files.rec.Comment.blank()) text += "   -   " + Files.rec.Comment.str();
  }
  b.info(0) = text;
}

}  // namespace

void BrowseFiles() {
  BrowseTables tables;
  BrowseWindow<FileRow> browse(fileSpec(false), buildRow);
  browse.onShow([](BrowseWindow<FileRow>& b) { showSelectedPath(b); });
  browse.run();
}

void BrowseSomeFiles() {
  BrowseTables tables;
  // The disk this browse shows, as the filter names it.
  kiv::Long diskId(DiskIdToShow);
  BrowseSpec shape = fileSpec(true);
  shape.filter = "(FIL:DiskID = GLO:DiskIDNum)";
  shape.bindNames = [&diskId](kiv::BindScope& names) { names.bind("GLO:DiskIDNum", diskId); };
  shape.samplesFromView = true;
  BrowseWindow<FileRow> browse(std::move(shape), buildRow);
  // The caption names the disk.
  Disks.rec.clear();
  Disks.rec.IdNum = diskId;
  Disks.get(Disks.ByIdNum);
  browse.info(1) = kiv::errorCode() == 0
                       ? "Disk " + std::to_string(int32_t(diskId)) + "   " + Disks.rec.Label.str() +
                             "   " + Disks.rec.Category.str()
                       : "Disk " + std::to_string(int32_t(diskId));
  Kiv$clearerror();
  browse.onShow([](BrowseWindow<FileRow>& b) { showSelectedPath(b); });
  browse.run();
}

// ---- UpdateFiles ----

namespace {

using namespace updatefiles_feq;

// The disk ID of a file must name a catalogued disk.
bool diskExists(int32_t id) {
  CatalogUse disks(Disks, DisksUseCount);
  const DisksRecord keep = Disks.rec;
  Disks.rec.clear();
  Disks.rec.IdNum = id;
  Disks.get(Disks.ByIdNum);
  const bool found = kiv::errorCode() == 0;
  Kiv$clearerror();
  Disks.rec = keep;
  return found;
}

}  // namespace

void UpdateFiles() {
  FormCall call;
  CatalogUse files(Files, FilesUseCount);
  if (call.request == request::Delete) {
    call.response = ConfirmAndDelete([] { return DeleteRecordRule(Files, "Files"); });
    return;
  }
  if (call.inserting()) {
    // A new file starts on the disk of the record in view.
    const int32_t disk = Files.rec.DiskId;
    Files.rec.clear();
    Files.rec.DiskId = disk;
    Files.rec.Attrib = "....";
  } else {
    WatchCurrentRecord(Files);
  }
  FilesRecord before = Files.rec;

  kiv::Window window(kiv::Window::Mdi, kFileBrowseModule, "UPDATEFILES$QUICKWINDOW",
                     &Files.rec.DiskId, &Files.rec.ShortName, &Files.rec.LongName, &Files.rec.Path,
                     &Files.rec.Type, &Files.rec.Size, &Files.rec.Attrib, &Files.rec.DisplayDate,
                     &Files.rec.DisplayTime, &Files.rec.Comment);
  window.open();
  RestorePosition("UpdateFiles");
  window.setText(0, call.inserting() ? "Adding a Files Record" : "Changing a Files Record");
  window.display();
  window.select(call.inserting() ? DiskId : Comment);
  bool closed = false;
  for (kiv::Event& event : window.events()) {
    if (event.closing()) {
      if (!closed) SavePosition("UpdateFiles");
      closed = true;
    } else if (event.is(kiv::event::Rejected)) {
      kiv::beep(150, 16);
      window.display(event.field());
      window.select(event.field());
    } else if (event.accepted(Ok)) {
      window.select(0);
    } else if (event.accepted(Cancel)) {
      call.response = response::Cancelled;
      window.post(kiv::event::CloseWindow);
    } else if (event.is(kiv::event::Completed)) {
      if (!diskExists(Files.rec.DiskId)) {
        AppWarning(11, "Disk ID", "Disks");
        window.select(DiskId);
        continue;
      }
      if (Files.rec.ShortName.blank()) {
        kiv::message("A file needs its name.", "Update a File Record", KIV_ICON_ASTERISK);
        window.select(ShortName);
        continue;
      }
      if (call.inserting()) {
        if (AddRecordRule(Files, "Files") == RuleResult::Done) {
          call.response = response::Completed;
          window.post(kiv::event::CloseWindow);
        } else {
          Kiv$clearerror();
          window.select(DiskId);
        }
        continue;
      }
      if (SaveChange(
              call, window, &before, &Files.rec, sizeof Files.rec,
              [] { return UpdateRecordRule(Files, "Files"); }, Comment) == AfterSave::Close)
        window.post(kiv::event::CloseWindow);
    }
  }
}
