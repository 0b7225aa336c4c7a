// SearchWizard: three steps to a search (disks or files; a field, a comparison and a value; the
// summary and Finish). It runs on the frame's thread; Finish searches into the result table
// and starts the window that browses it.
#include "app/search/search_wizard.h"

#include <optional>
#include <string>

#include "app/frame/window_position.h"
#include "app/search/search_scan.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/kiv.h"
#include "include/kiv/window.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro030";
using namespace searchwizard_feq;

constexpr int32_t kResultStack = 25000;
const char* const kStepPictures[] = {"~ROLBRWS.BMP", "~PPRFORM.BMP", "~WINBRWS.BMP"};

#define SEARCH_FIELD_ENTRY(FIELD) FIELD(Text, kiv::String<20>, "TEXT")
KIV_RECORD(FieldListEntry, "SWF", SEARCH_FIELD_ENTRY);
#define SEARCH_OPERATOR_ENTRY(FIELD) FIELD(Text, kiv::String<24>, "TEXT")
KIV_RECORD(OperatorListEntry, "SWO", SEARCH_OPERATOR_ENTRY);

class SearchWizardWindow {
 public:
  SearchWizardWindow()
      : disks_(Disks, DisksUseCount),
        files_(Files, FilesUseCount),
        tempDisk_(TempDisk, TempDiskUseCount),
        tempFiles_(TempFiles, TempFilesUseCount),
        window_(kiv::Window::Plain, kModule, "SEARCHWIZARD$WINDOW", &itemKind_, &step_, &value_,
                &caseSensitive_, &summary_) {
    names_.bindRecord(Disks.rec);
    names_.bindRecord(Files.rec);
    names_.bindRecord(TempDisk.rec);
    names_.bindRecord(TempFiles.rec);
  }

  void run();
  // What Finish searched for; nothing when the wizard was cancelled.
  const std::optional<SearchRequest>& searched() const { return searched_; }

 private:
  void open();
  void showStep();
  void next();
  void back();
  void enterFieldStep();
  void enterFinishStep();
  void fieldChosen();
  void finish();
  SearchItem item() const {
    return itemKind_.view()[0] == 'F' ? SearchItem::Files : SearchItem::Disks;
  }
  int32_t valueEntry() const;
  bool valueBlank();
  SearchRequest request();

  // The tables are held from opening to the end, the result tables made empty at opening.
  CatalogUse disks_, files_, tempDisk_, tempFiles_;
  kiv::BindScope names_;
  // USE variables of the window.
  kiv::String<1> itemKind_;
  kiv::Long step_;
  kiv::String<40> value_;
  kiv::Byte caseSensitive_;
  kiv::String<255> summary_;
  kiv::Queue<FieldListEntry> fieldList_;
  kiv::Queue<OperatorListEntry> operatorList_;
  SearchValueKind valueKind_ = SearchValueKind::Text;
  std::optional<SearchRequest> searched_;
  kiv::Window window_;
};

void SearchWizardWindow::open() {
  PrepareResultTable(SearchItem::Disks);
  PrepareResultTable(SearchItem::Files);
  itemKind_ = "D";
  step_ = 1;
  window_.open();
  RestorePosition("SearchWizard");
  window_.showQueue(kFieldList, fieldList_.desc());
  window_.showQueue(kOperatorList, operatorList_.desc());
  window_.disable(kBack);
  window_.display();
  showStep();
}

void SearchWizardWindow::showStep() {
  window_.setText(kStepPicture, kStepPictures[step_ - 1]);
  window_.display(kStepPicture);
  window_.display(kSteps);
}

int32_t SearchWizardWindow::valueEntry() const {
  switch (valueKind_) {
    case SearchValueKind::Date:
      return kDateValue;
    case SearchValueKind::Time:
      return kTimeValue;
    case SearchValueKind::Text:
      break;
  }
  return kTextValue;
}

// A date or a time left empty reads back as 0, the serial of no date: what was typed decides.
bool SearchWizardWindow::valueBlank() {
  if (value_.blank()) return true;
  return valueKind_ != SearchValueKind::Text && kiv::clip(window_.text(valueEntry())).empty();
}

void SearchWizardWindow::next() {
  if (step_ == 1) window_.update(kItemChoice);
  if (step_ == 2) {
    window_.update(valueEntry());
    if (valueBlank()) {
      kiv::message("The search value cannot be empty!");
      window_.select(valueEntry());
      return;
    }
  }
  if (step_ >= 3) return;
  step_ += 1;
  if (step_ == 2)
    enterFieldStep();
  else
    enterFinishStep();
  showStep();
}

void SearchWizardWindow::back() {
  if (step_ <= 1) return;
  step_ -= 1;
  if (step_ == 1) window_.disable(kBack);
  // From the summary back to the field: Next leads to the summary again.
  window_.enable(kNext);
  window_.setText(kFinish, "Cancel");
  showStep();
}

void SearchWizardWindow::enterFieldStep() {
  fieldList_.free();
  for (int32_t f = 1; f <= SearchFieldCount(item()); ++f) {
    fieldList_.rec.Text = SearchFieldText(item(), f);
    fieldList_.add();
  }
  operatorList_.free();
  for (int32_t op = 1; op <= search_op::kCount; ++op) {
    operatorList_.rec.Text = SearchOperatorText(op);
    operatorList_.add();
  }
  window_.showQueue(kFieldList, fieldList_.desc());
  window_.showQueue(kOperatorList, operatorList_.desc());
  window_.set(kFieldList, kiv::prop::Selected, 1);
  window_.set(kOperatorList, kiv::prop::Selected, 1);
  fieldChosen();
  window_.enable(kBack);
  window_.enable(kNext);
  window_.setText(kFinish, "Cancel");
}

// The value entry takes the picture of the field chosen: a date, a time, or text.
void SearchWizardWindow::fieldChosen() {
  const SearchValueKind kind = SearchValueKindOf(item(), window_.choice(kFieldList));
  if (kind == valueKind_) return;
  // A value typed for one kind of field means nothing to another.
  value_ = "";
  valueKind_ = kind;
  window_.hide(kTextValue, kTimeValue);
  window_.unhide(valueEntry());
  window_.display(valueEntry());
}

SearchRequest SearchWizardWindow::request() {
  SearchRequest r;
  r.item = item();
  r.field = window_.choice(kFieldList);
  r.op = window_.choice(kOperatorList);
  r.value = value_.str();
  r.caseSensitive = caseSensitive_ != 0;
  return r;
}

void SearchWizardWindow::enterFinishStep() {
  window_.update(kCaseSensitive);
  summary_ = SearchSummary(request());
  window_.display(kSummary);
  window_.setText(kFinish, "Finish");
  window_.disable(kNext);
  window_.select(kFinish);
}

void SearchWizardWindow::finish() {
  window_.disable(kFinish);
  kiv::setCursor(KIV_CURSOR_WAIT);
  const SearchRequest r = request();
  ScanCatalog(r);
  if (r.item == SearchItem::Disks)
    TempDisk.flush();
  else
    TempFiles.flush();
  kiv::setCursor(KIV_CURSOR_ARROW);
  searched_ = r;
  window_.post(kiv::event::CloseWindow);
}

void SearchWizardWindow::run() {
  open();
  for (kiv::Event& event : window_.events()) {
    if (event.closing()) {
      SavePosition("SearchWizard");
    } else if (event.accepted(kNext)) {
      next();
    } else if (event.accepted(kBack)) {
      back();
    } else if (event.accepted(kFinish)) {
      if (step_ == 3)
        finish();
      else
        window_.post(kiv::event::CloseWindow);
    } else if (event.of(kFieldList, kiv::event::NewSelection)) {
      fieldChosen();
    }
  }
}

}  // namespace

void SearchWizard() {
  std::optional<SearchRequest> searched;
  {
    SearchWizardWindow wizard;
    wizard.run();
    searched = wizard.searched();
  }
  // The wizard has let go of the result table; the window of the results takes it over.
  if (searched)
    Kiv$START(searched->item == SearchItem::Disks ? BrowseDiskResults : BrowseFileResults,
              kResultStack);
}
