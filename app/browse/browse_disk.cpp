// BrowseDisk, the browse of the catalog's disks in five sort orders, and UpdateDisks, the disk
// form.
#include <cstdio>
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_controls.h"
#include "app/browse/browse_window.h"
#include "app/browse/disk_text.h"
#include "app/browse/form_support.h"
#include "app/browse/rules.h"
#include "app/frame/frame.h"
#include "app/reports/reports.h"
#include "include/kiv/decimal.h"

namespace {

using namespace browsedisk_feq;

// One row: what the list shows, and the record's position.
#define DISK_ROW_FIELDS(FIELD)                  \
  FIELD(Id, kiv::Long, "ID")                    \
  FIELD(Icon, kiv::Long, "ICON")                \
  FIELD(Label, kiv::String<11>, "LABEL")        \
  FIELD(Category, kiv::String<20>, "CATEGORY")  \
  FIELD(Total, kiv::String<30>, "TOTAL")        \
  FIELD(Free, kiv::String<30>, "FREE")          \
  FIELD(SerialNo, kiv::String<9>, "SERIALNO")   \
  FIELD(Comments, kiv::String<255>, "COMMENTS") \
  FIELD(Files, kiv::Long, "FILES")              \
  FIELD(FreeSpace, ByteCount, "FREESPACE")      \
  FIELD(UserNum, kiv::String<12>, "USERNUM")    \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(DiskRow, "DRW", DISK_ROW_FIELDS);

void buildRow(DiskRow& row) {
  const DisksRecord& d = Disks.rec;
  row.Id = d.IdNum;
  row.Icon = DiskTypeIconNumber(d.Type.view());
  row.Label = d.Label.view();
  row.Category = d.Category.view();
  row.Total = MegabyteText(d.TotalBytes);
  row.Free = MegabyteText(d.FreeSpace);
  row.SerialNo = d.SerialNo.view();
  row.Comments = d.Comments.view();
  row.Files = d.Files;
  row.FreeSpace = d.FreeSpace;
  row.UserNum = d.UserNum.view();
}

// A number typed into a locator ("1,024" reads 1024); 0 when it holds none.
int64_t typedNumber(const std::string& text) {
  int64_t n = 0;
  for (char c : text)
    if (c >= '0' && c <= '9' && n < (int64_t(1) << 50)) n = n * 10 + (c - '0');
  return n;
}

BrowseSpec diskBrowseSpec() {
  BrowseSpec s;
  s.module = kDiskBrowseModule;
  s.label = "BROWSEDISK$QUICKWINDOW";
  s.section = "BrowseDisk";
  s.table = &Disks;
  s.tableName = "Disks";
  s.controls = {List, LogDisk, Change, Delete, Select, Close, Sheet};
  s.images = {"~cdrom.ico", "~fixed.ico", "~ram.ico", "~remote.ico", "~removab.ico"};
  s.form = UpdateDisks;
  s.endEvent = frame_event::DisksBrowseEnded;
  // Sort orders 1 to 5; the tabs show ID first.
  s.orders.resize(5);
  s.orders[0] = {&Disks.ByLabel, 2, LocateLabel, [](const std::string& t) { Disks.rec.Label = t; },
                 [] { return SortableText(Disks.rec.Label.view()); }};
  s.orders[1] = {&Disks.ByCategory, 3, LocateCategory,
                 [](const std::string& t) { Disks.rec.Category = t; },
                 [] { return SortableText(Disks.rec.Category.view()); }};
  s.orders[2] = {
      &Disks.ByFreeSpace,
      4,
      LocateFree,
      // Free space is typed in megabytes, as the list shows it.
      [](const std::string& t) { Disks.rec.FreeSpace.setWhole(uint64_t(typedNumber(t)) << 20); },
      {}};
  s.orders[3] = {
      &Disks.ByUserNum, 5, LocateUser, [](const std::string& t) { Disks.rec.UserNum = t; }, {}};
  s.orders[4] = {&Disks.ByIdNum, 1, LocateId,
                 [](const std::string& t) { Disks.rec.IdNum = int32_t(typedNumber(t)); },
                 [] { return SortableNumber(int64_t(Disks.rec.IdNum)); }};
  s.firstOrder = 5;
  s.followBottom = {LogDisk, NewDisk, Change, Delete, ShowFiles, Print, Select, Close, Counts};
  s.followRight = {Change, Delete, ShowFiles, Print, Select, Close};
  s.growWidth = {List, Sheet};
  s.growHeight = {List};
  return s;
}

std::string count(int32_t n) {
  const std::string text = kiv::format(n, "@n13");
  return text.substr(std::min(text.size(), text.find_first_not_of(' ')));
}

template <typename Row>
void showCounts(BrowseWindow<Row>& b) {
  b.info(0) =
      count(Disks.records()) + " disks and " + count(Files.records()) + " files in the catalog";
}

}  // namespace

void BrowseDisk() {
  BrowseTables tables;
  BrowseWindow<DiskRow> browse(diskBrowseSpec(), buildRow);
  showCounts(browse);
  browse.run([](BrowseWindow<DiskRow>& b, kiv::Event& event) {
    if (event.is(kiv::event::GainFocus) || event.is(kiv::event::OpenWindow)) {
      showCounts(b);
      return false;  // the browse refreshes as well
    }
    if (event.accepted(LogDisk)) {
      // Logging belongs to the frame: an open logging window comes forward, else the frame
      // starts one.
      if (Frame.loggingThread)
        Kiv$POST(kiv::event::GainFocus, 0, Frame.loggingThread);
      else
        Kiv$POST(frame_event::LogAgain, 0, 1);
      showCounts(b);
      b.window().display(Counts);
      event.cycle();
      return true;
    }
    if (event.accepted(NewDisk)) {
      // A disk typed in by hand, for one that cannot be logged.
      b.callForm(request::Insert);
      showCounts(b);
      b.window().display(Counts);
      return true;
    }
    if (event.accepted(ShowFiles)) {
      if (b.page().loadSelected()) {
        DiskIdToShow = Disks.rec.IdNum;
        Kiv$START(BrowseSomeFiles, 25000);
      }
      return true;
    }
    if (event.accepted(Print)) {
      if (b.page().loadSelected()) StartPrintFilesForDisk(Disks.rec);
      return true;
    }
    return false;
  });
}

// ---- UpdateDisks ----

namespace {

using namespace updatedisks_feq;

// The drive types the form offers, in the order of its drop list.
constexpr const char kTypeLetters[] = "RFCNVU";

class DiskForm {
 public:
  DiskForm()
      : window_(kiv::Window::Mdi, kDiskBrowseModule, "UPDATEDISKS$QUICKWINDOW", &Disks.rec.IdNum,
                &Disks.rec.UserNum, &Disks.rec.Label, &Disks.rec.Category, &Disks.rec.Keyword1,
                &Disks.rec.Keyword2, &Disks.rec.Keyword3, &Disks.rec.SerialNo, &typeChoice_,
                &Disks.rec.TotalBytes, &totalMb_, &Disks.rec.FreeSpace, &freeMb_, &Disks.rec.Files,
                &Disks.rec.Comments, &percentUsed_, &percentFree_) {}

  void run(FormCall& call);

 private:
  bool numberNewDisk();
  void showUse();
  void completed(FormCall& call);
  void closing(FormCall& call);

  kiv::Window window_;
  kiv::Long typeChoice_;
  kiv::String<30> totalMb_, freeMb_;
  kiv::Long percentUsed_;
  kiv::Decimal<5, 2> percentFree_;
  DisksRecord before_;
  int32_t added_ = 0;  // the record added at opening (insert), by its pointer
  bool closed_ = false;
};

// Insert: the next ID after the highest, added at once so that no other program takes it.
bool DiskForm::numberNewDisk() {
  for (;;) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      Disks.set(Disks.ByIdNum);
      Disks.previous();
      int32_t next = 1;
      if (kiv::errorCode() == 0) {
        next = Disks.rec.IdNum + 1;
      } else if (kiv::errorCode() != 33) {
        SaveFileError();
        AppWarning(35, "Disks");
        return false;
      }
      Disks.rec.clear();
      Disks.rec.IdNum = next;
      Disks.rec.Type = "U";
      Disks.add();
      if (kiv::errorCode() == 0) {
        added_ = Disks.pointer();
        return true;
      }
    }
    SaveFileError();
    if (AppWarning(25) != KIV_BUTTON_RETRY) return false;
  }
}

void DiskForm::showUse() {
  const std::string type(kiv::clip(Disks.rec.Type.view()));
  const char* at = type.empty() ? nullptr : std::strchr(kTypeLetters, kiv::upper(type)[0]);
  typeChoice_ = at ? int32_t(at - kTypeLetters) + 1 : 6;
  totalMb_ = MegabyteText(Disks.rec.TotalBytes);
  freeMb_ = MegabyteText(Disks.rec.FreeSpace);
  const DiskUse use = DiskUseOf(Disks.rec);
  percentUsed_ = use.usedPercent;
  use.freePercent.store(&percentFree_, sizeof percentFree_, 2);
  window_.setText(TypeImage, DiskTypeImage(Disks.rec.Type.view()));
  // Only what follows from the record: fields not yet accepted keep what was typed into them.
  for (int32_t feq : {Pie, TypeImage, Type, TotalMb, FreeMb, PercentFree}) window_.display(feq);
}

void DiskForm::completed(FormCall& call) {
  // The drop list's entry is the drive type's letter.
  if (typeChoice_ >= 1 && typeChoice_ <= 6)
    Disks.rec.Type = std::string(1, kTypeLetters[typeChoice_ - 1]);
  if (call.inserting()) {
    Disks.put();
    if (kiv::errorCode() == 40) {
      const bool userNum = Disks.duplicate(Disks.ByUserNum);
      AppWarning(24, userNum ? "DIS:ByUserNum" : "DIS:ByIDNum");
      window_.select(userNum ? UserNum : Id);
      return;
    }
    if (kiv::errorCode()) {
      SaveFileError();
      AppWarning(15, "Disks");
      window_.select(Id);
      return;
    }
    call.response = response::Completed;
    window_.post(kiv::event::CloseWindow);
    return;
  }
  const AfterSave after = SaveChange(
      call, window_, &before_, &Disks.rec, sizeof Disks.rec,
      [this] { return UpdateDiskRule(before_); }, Id);
  if (after == AfterSave::Close) {
    window_.post(kiv::event::CloseWindow);
  } else {
    showUse();
    window_.display();
  }
}

void DiskForm::closing(FormCall& call) {
  if (closed_) return;
  closed_ = true;
  // A disk added at opening goes again when the insert was not completed.
  if (call.inserting() && call.response != response::Completed && added_) {
    Disks.get(added_);
    if (kiv::errorCode() == 0) Disks.erase();
    Kiv$clearerror();
    added_ = 0;
  }
  if (window_.isCurrent()) SavePosition("UpdateDisks");
}

void DiskForm::run(FormCall& call) {
  if (call.inserting()) {
    if (!numberNewDisk()) return;
  } else {
    WatchCurrentRecord(Disks);
  }
  before_ = Disks.rec;
  window_.open();
  RestorePosition("UpdateDisks");
  window_.setText(0, call.inserting() ? "Adding a Disks Record" : "Changing a Disks Record");
  // The pie fills the area of its frame less a margin: 3 at the left, 2 at the top, 5 less
  // each way.
  const kiv::Position frame = window_.position(PieFrame);
  window_.setPosition(Pie, {frame.x + 3, frame.y + 2, frame.width - 5, frame.height - 5});
  showUse();
  window_.display();
  window_.select(call.inserting() ? Label : Id);
  for (kiv::Event& event : window_.events()) {
    const int32_t code = event.code();
    if (event.closing()) {
      closing(call);
    } else if (code == kiv::event::Rejected) {
      kiv::beep(150, 16);
      window_.display(event.field());
      window_.select(event.field());
    } else if (event.accepted(Ok)) {
      window_.select(0);  // every field accepted in turn, then EVENT:Completed
    } else if (event.accepted(Cancel)) {
      call.response = response::Cancelled;
      window_.post(kiv::event::CloseWindow);
    } else if (event.accepted(CategoryButton)) {
      window_.update();
      std::string chosen;
      if (PickCategory(Disks.rec.Category.view(), chosen)) Disks.rec.Category = chosen;
      window_.display();
    } else if (code == kiv::event::Completed) {
      completed(call);
    } else if (code == kiv::event::Accepted &&
               (event.field() == Total || event.field() == Free || event.field() == Type)) {
      // The use and the drive's picture follow what was typed.
      window_.update(event.field());
      if (event.field() == Type && typeChoice_ >= 1 && typeChoice_ <= 6)
        Disks.rec.Type = std::string(1, kTypeLetters[typeChoice_ - 1]);
      showUse();
    }
  }
  closing(call);
}

}  // namespace

void UpdateDisks() {
  FormCall call;
  CatalogUse disks(Disks, DisksUseCount);
  CatalogUse files(Files, FilesUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  names.bindRecord(Files.rec);
  if (call.request == request::Delete) {
    call.response = ConfirmAndDelete(DeleteDiskRule);
    return;
  }
  DiskForm form;
  form.run(call);
}
