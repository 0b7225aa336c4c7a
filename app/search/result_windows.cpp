// The browses of a search's results and their details forms. Each browse runs on a thread of
// its own, holds its result table while it is open and removes the table when it closes.
#include "app/search/result_windows.h"

#include <algorithm>
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_page.h"
#include "app/browse/disk_text.h"
#include "app/frame/window_position.h"
#include "app/reports/reports.h"
#include "app/search/search_wizard.h"
#include "app/tables/app_warning.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/kiv.h"
#include "include/kiv/view.h"
#include "include/kiv/window.h"

namespace {

const char* const kDiskResultsModule = "TARROW.kvw$tarro031";
const char* const kDiskFormModule = "TARROW.kvw$tarro032";
const char* const kFileResultsModule = "TARROW.kvw$tarro033";
const char* const kFileFormModule = "TARROW.kvw$tarro034";
constexpr int32_t kDoubleClick = 5;

// One disk row: ID, label, category, total and free space in megabytes, serial number.
#define DISK_RESULT_ROW_FIELDS(FIELD)          \
  FIELD(Id, kiv::Long, "ID")                   \
  FIELD(Label, kiv::String<11>, "LABEL")       \
  FIELD(Category, kiv::String<20>, "CATEGORY") \
  FIELD(Total, kiv::String<24>, "TOTAL")       \
  FIELD(Free, kiv::String<24>, "FREE")         \
  FIELD(SerialNo, kiv::String<9>, "SERIALNO")  \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(DiskResultRow, "DRR", DISK_RESULT_ROW_FIELDS);

// One file row: disk ID, DOS name, date, time, size, attributes, type.
#define FILE_RESULT_ROW_FIELDS(FIELD)            \
  FIELD(DiskId, kiv::Long, "DISKID")             \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(Date, kiv::Long, "DATE")                 \
  FIELD(Time, kiv::Long, "TIME")                 \
  FIELD(Size, ByteCount, "SIZE")                 \
  FIELD(Attrib, kiv::String<4>, "ATTRIB")        \
  FIELD(Type, kiv::String<3>, "TYPE")            \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(FileResultRow, "FRR", FILE_RESULT_ROW_FIELDS);

void buildDiskRow(DiskResultRow& row) {
  const TempDiskRecord& d = TempDisk.rec;
  row.Id = d.IdNum;
  row.Label = d.Label.view();
  row.Category = d.Category.view();
  row.Total = MegabyteText(d.TotalBytes);
  row.Free = MegabyteText(d.FreeSpace);
  row.SerialNo = d.SerialNo.view();
}

void buildFileRow(FileResultRow& row) {
  const TempFilesRecord& f = TempFiles.rec;
  row.DiskId = f.DiskId;
  row.ShortName = f.ShortName.view();
  row.Date = f.DisplayDate;
  row.Time = f.DisplayTime;
  row.Size = f.Size;
  row.Attrib = f.Attrib.view();
  row.Type = f.Type.view();
}

// The part of the browse mechanics both result windows share: the view over the result
// table, its page, and the list that shows the page.
template <typename Row>
class ResultBrowse {
 public:
  ResultBrowse(kiv::Window& window, int32_t list, kiv::Table& table, kiv::Key& order,
               const char* tableName, typename BrowsePage<Row>::BuildRow build)
      : window_(window), list_(list), view_(table), page_(view_, order, tableName, build) {
    view_.open();
    viewOpen_ = kiv::errorCode() == 0;
    if (!viewOpen_) {
      SaveFileError();
      AppWarning(36);
    }
    window_.set(list_, kiv::prop::AlertKey, kDoubleClick, 252);
  }
  ~ResultBrowse() {
    if (view_.isOpen()) view_.close();
  }

  BrowsePage<Row>& page() { return page_; }
  bool empty() { return page_.empty(); }

  // Fills the page afresh (in the order `order` when given) and shows it.
  void refill(BrowseAnchor anchor) {
    page_.pageSize = std::max(1, window_.number(list_, kiv::prop::VisibleRows));
    if (viewOpen_) page_.refill(anchor);
    show();
  }
  void sortBy(kiv::Key& order) {
    page_.setOrder(order);
    page_.rows.free();
    refill(BrowseAnchor::None);
  }
  // The events of the list; true when the event was one of them.
  bool listEvent(kiv::Event& event) {
    if (event.field() != list_) return false;
    const int32_t code = event.code();
    if (code == kiv::event::NewSelection) {
      if (!page_.empty()) {
        page_.selected = std::clamp(window_.choice(list_), 1, page_.count());
        page_.loadSelected();
      }
      return true;
    }
    if (code >= kiv::event::ScrollUp && code <= kiv::event::ScrollBottom) {
      page_.pageSize = std::max(1, window_.number(list_, kiv::prop::VisibleRows));
      if (page_.scroll(code)) show();
      return true;
    }
    return false;
  }
  // Loads the highlighted row's record into the table's buffer; false on an empty page.
  bool loadChosen() {
    if (page_.empty()) return false;
    page_.selected = std::clamp(window_.choice(list_), 1, page_.count());
    return page_.loadSelected();
  }

 private:
  void show() {
    window_.showQueue(list_, page_.rows.desc());
    if (page_.selected > 0) window_.set(list_, kiv::prop::Selected, page_.selected);
    page_.loadSelected();
  }

  kiv::Window& window_;
  int32_t list_;
  kiv::View view_;
  BrowsePage<Row> page_;
  bool viewOpen_ = false;
};

const char* driveTypeText(char type) {
  switch (type) {
    case 'R':
      return "Removable";
    case 'F':
      return "Fixed";
    case 'N':
      return "Network";
    case 'C':
      return "CD-ROM";
    case 'V':
      return "RAM disk";
    default:
      return "Unknown";
  }
}

}  // namespace

void BrowseDiskResults() {
  using namespace diskresults_feq;
  CatalogUse results(TempDisk, TempDiskUseCount);
  kiv::BindScope names;
  names.bindRecord(TempDisk.rec);
  kiv::String<20> found;
  kiv::Long sortTab = 1;
  {
    kiv::Window window(kiv::Window::Mdi, kDiskResultsModule, "BROWSEDISKRESULTS$QUICKWINDOW",
                       &found, &sortTab, &TempDisk.rec.Files, &TempDisk.rec.Comments);
    window.open();
    RestorePosition("BrowseDiskResults");
    found = std::to_string(TempDisk.records());
    Kiv$clearerror();
    kiv::Key* const orders[] = {&TempDisk.ByIdNum, &TempDisk.ByLabel, &TempDisk.ByCategory,
                                &TempDisk.ByFreeSpace, &TempDisk.ByUserNum};
    ResultBrowse<DiskResultRow> browse(window, kList, TempDisk, TempDisk.ByIdNum, "TempDisk",
                                       buildDiskRow);
    // The selected disk's file count and comment; the buttons need a disk.
    auto showSelected = [&] {
      if (browse.empty()) {
        window.disable(kMore, kPrint);
      } else {
        window.enable(kMore, kPrint);
      }
      window.display(kFileCount);
      window.display(kComment);
    };
    browse.refill(BrowseAnchor::None);
    window.display();
    showSelected();

    for (kiv::Event& event : window.events()) {
      const int32_t code = event.code();
      if (event.closing()) {
        SavePosition("BrowseDiskResults");
      } else if (code == kiv::event::OpenWindow) {
        window.select(kList);
      } else if (event.field() == kSortSheet &&
                 (code == kiv::event::Accepted || code == kiv::event::NewSelection ||
                  code == kiv::event::TabChanging || code == kiv::event::Selected)) {
        const int32_t tab = std::clamp(window.choice(kSortSheet), 1, 5);
        browse.sortBy(*orders[tab - 1]);
        showSelected();
        window.select(kList);
      } else if (browse.listEvent(event)) {
        showSelected();
      } else if (code == kiv::event::AlertKey && event.keycode() == kDoubleClick) {
        if (!browse.empty()) window.post(kiv::event::Accepted, kMore);
      } else if (event.accepted(kMore)) {
        if (browse.loadChosen()) UpdateDisksResults();
        showSelected();
        window.select(kList);
      } else if (event.accepted(kFiles)) {
        // Sets the disk whose files the one-disk browse shows, then starts that browse.
        if (browse.loadChosen()) {
          DiskIdToShow = TempDisk.rec.IdNum;
          Kiv$START(BrowseSomeFiles, 25000);
        }
      } else if (event.accepted(kPrint)) {
        if (browse.loadChosen()) StartPrintFilesForResult(TempDisk.rec);
      } else if (event.accepted(kClose)) {
        window.post(kiv::event::CloseWindow);
      }
    }
  }
  // The results are this window's: they go with it.
  results.release();
  TempDisk.remove();
  Kiv$clearerror();  // a search started meanwhile may hold the table; the frame removes it at exit
}

void BrowseFileResults() {
  using namespace fileresults_feq;
  CatalogUse results(TempFiles, TempFilesUseCount);
  kiv::BindScope names;
  names.bindRecord(TempFiles.rec);
  kiv::String<40> found;
  {
    kiv::Window window(kiv::Window::Mdi, kFileResultsModule, "BROWSEFILERESULTS$QUICKWINDOW",
                       &found, &TempFiles.rec.Path);
    window.open();
    RestorePosition("BrowseFileResults");
    found = std::to_string(TempFiles.records()) + " files found by query";
    Kiv$clearerror();
    kiv::Key* const orders[] = {&TempFiles.ByName, &TempFiles.ByDate,   &TempFiles.ByTime,
                                &TempFiles.BySize, &TempFiles.ByAttrib, &TempFiles.ByType};
    ResultBrowse<FileResultRow> browse(window, kList, TempFiles, TempFiles.ByName, "TempFiles",
                                       buildFileRow);
    auto showSelected = [&] {
      if (browse.empty()) {
        window.disable(kMore);
      } else {
        window.enable(kMore);
      }
      window.display(kPath);
    };
    browse.refill(BrowseAnchor::None);
    window.display();
    showSelected();

    for (kiv::Event& event : window.events()) {
      const int32_t code = event.code();
      const int32_t field = event.field();
      if (event.closing()) {
        SavePosition("BrowseFileResults");
      } else if (code == kiv::event::OpenWindow) {
        window.select(kList);
      } else if (code == kiv::event::Accepted && field >= kSortName && field <= kSortType) {
        browse.sortBy(*orders[field - kSortName]);
        showSelected();
        window.select(kList);
      } else if (browse.listEvent(event)) {
        showSelected();
      } else if (code == kiv::event::AlertKey && event.keycode() == kDoubleClick) {
        if (!browse.empty()) window.post(kiv::event::Accepted, kMore);
      } else if (event.accepted(kMore)) {
        if (browse.loadChosen()) UpdateFileResults();
        showSelected();
        window.select(kList);
      } else if (event.accepted(kClose)) {
        window.post(kiv::event::CloseWindow);
      }
    }
  }
  results.release();
  TempFiles.remove();
  Kiv$clearerror();  // a search started meanwhile may hold the table; the frame removes it at exit
}

void UpdateDisksResults() {
  using namespace resultforms_feq;
  TempDiskRecord& d = TempDisk.rec;
  kiv::String<20> driveType(driveTypeText(d.Type.view()[0]));
  kiv::Long percentUsed;
  if (d.TotalBytes.whole() > 0)
    percentUsed = ((kiv::Dec(d.TotalBytes) - kiv::Dec(d.FreeSpace)) / kiv::Dec(d.TotalBytes) *
                   kiv::Dec(int32_t{100}))
                      .toLong();
  kiv::Window window(kiv::Window::Mdi, kDiskFormModule, "UPDATEDISKSRESULTS$QUICKWINDOW", &d.IdNum,
                     &d.UserNum, &d.Label, &d.Category, &d.Keyword1, &d.Keyword2, &d.Keyword3,
                     &d.SerialNo, &driveType, &d.Files, &d.TotalBytes, &d.FreeSpace, &percentUsed,
                     &d.Comments);
  window.open();
  RestorePosition("UpdateDisksResults");
  window.setText(kDriveImage, DiskTypeImage(d.Type.view()));
  window.display();
  for (kiv::Event& event : window.events()) {
    if (event.closing()) {
      SavePosition("UpdateDisksResults");
    } else if (event.accepted(kDiskOk)) {
      window.post(kiv::event::CloseWindow);
    }
  }
}

void UpdateFileResults() {
  using namespace resultforms_feq;
  TempFilesRecord& f = TempFiles.rec;
  // The attribute letters as check boxes: R, A, S and H in their places.
  const std::string_view letters = f.Attrib.view();
  kiv::Byte readOnly(letters[0] == 'R'), archive(letters[1] == 'A'), system(letters[2] == 'S'),
      hidden(letters[3] == 'H');
  kiv::Window window(kiv::Window::Mdi, kFileFormModule, "UPDATEFILERESULTS$QUICKWINDOW", &f.DiskId,
                     &f.ShortName, &f.LongName, &f.Path, &f.Type, &f.Size, &f.DisplayDate,
                     &f.DisplayTime, &f.CreationDate, &f.CreationTime, &f.AccessDate, &f.AccessTime,
                     &f.ModifyDate, &f.ModifyTime, &readOnly, &archive, &system, &hidden,
                     &f.Comment);
  window.open();
  RestorePosition("UpdateFileResults");
  window.display();
  for (kiv::Event& event : window.events()) {
    if (event.closing()) {
      SavePosition("UpdateFileResults");
    } else if (event.accepted(kFileOk)) {
      window.post(kiv::event::CloseWindow);
    }
  }
}
