// BrowseLabels, the label layouts (and the picker of one for printing disk labels), and
// UpdateLabels, the layout form with its record-navigation toolbar.
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_controls.h"
#include "app/browse/browse_window.h"
#include "app/browse/form_support.h"
#include "app/browse/rules.h"
#include "app/reports/reports.h"

namespace {

using namespace labels_feq;

#define LABEL_ROW_FIELDS(FIELD)                  \
  FIELD(LabelType, kiv::String<15>, "LABELTYPE") \
  FIELD(Page, kiv::String<20>, "PAGE")           \
  FIELD(Label, kiv::String<20>, "LABEL")         \
  FIELD(Margins, kiv::String<20>, "MARGINS")     \
  FIELD(FontSize, kiv::Long, "FONTSIZE")         \
  FIELD(Borders, kiv::String<3>, "BORDERS")      \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(LabelRow, "LRW", LABEL_ROW_FIELDS);

// "8.50 x 11.00": two measures in inches.
std::string measures(const LabelMeasure& a, const LabelMeasure& b) {
  auto text = [](const LabelMeasure& m) {
    const std::string t = kiv::Dec(m).format("@n6.2");
    return t.substr(std::min(t.size(), t.find_first_not_of(' ')));
  };
  return text(a) + " x " + text(b);
}

void buildRow(LabelRow& row) {
  const LabelsRecord& l = Labels.rec;
  row.LabelType = l.LabelType.view();
  row.Page = measures(l.PageWidth, l.PageHeight);
  row.Label = measures(l.LabelWidth, l.LabelHeight);
  row.Margins = measures(l.TopMargin, l.LeftMargin);
  row.FontSize = int32_t(l.FontSize);
  row.Borders = l.Borders ? "Yes" : "No";
}

BrowseSpec labelSpec() {
  BrowseSpec s;
  s.module = kLabelsModule;
  s.label = "BROWSELABELS$QUICKWINDOW";
  s.section = "BrowseLabels";
  s.table = &Labels;
  s.tableName = "Labels";
  s.controls = {List, Insert, Change, Delete, Select, Close, 0};
  s.form = UpdateLabels;
  s.orders.push_back({&Labels.Type, 0, Locator,
                      [](const std::string& t) { Labels.rec.LabelType = t; },
                      [] { return SortableText(Labels.rec.LabelType.view()); }});
  s.followBottom = {Insert, Change, Delete, Select, Close};
  s.growWidth = {List};
  s.growHeight = {List};
  return s;
}

}  // namespace

void BrowseLabels() {
  BrowseTables tables;
  CatalogUse labels(Labels, LabelsUseCount);
  BrowseWindow<LabelRow> browse(labelSpec(), buildRow);
  GlobalResponse = browse.run();
}

void ChooseLabelLayout() {
  CatalogUse labels(Labels, LabelsUseCount);
  GlobalRequest = request::Select;
  BrowseLabels();
  const bool chosen = GlobalResponse == response::Completed;
  GlobalResponse = 0;
  if (!chosen) return;
  PrintLabels(Labels.rec);  // on this thread, which the frame started for it
}

// ---- UpdateLabels ----

namespace {

constexpr int32_t kLowestFont = 5, kHighestFont = 240;

bool fontSizeAllowed() {
  const int32_t size = int32_t(Labels.rec.FontSize);
  return size >= kLowestFont && size <= kHighestFont;
}

// A new layout: a letter page, the margins and font most label sheets take, borders drawn.
void newLayout() {
  Labels.rec.clear();
  Labels.rec.PageWidth = 8.5;
  Labels.rec.PageHeight = 11;
  Labels.rec.TopMargin = 0.35;
  Labels.rec.LeftMargin = 0.5;
  Labels.rec.FontSize = 11;
  Labels.rec.Borders = 1;
}

void explainLayout() {
  kiv::message(
      "A label layout describes one sheet of labels.\n\n"
      "Page and label sizes and the margins are in inches; the font size is in points "
      "(5 to 240). With Borders checked a frame is printed around every label.\n\n"
      "The arrows save the layout and move to the next, previous, first or last layout; "
      "the page arrows move a page of layouts. The first button saves it and starts a new "
      "one.",
      "Update Labels", KIV_ICON_ASTERISK);
}

}  // namespace

void UpdateLabels() {
  FormCall call;
  CatalogUse labels(Labels, LabelsUseCount);
  if (call.request == request::Delete) {
    call.response = ConfirmAndDelete([] { return DeleteRecordRule(Labels, "Labels"); });
    return;
  }
  if (call.inserting())
    newLayout();
  else
    WatchCurrentRecord(Labels);
  LabelsRecord before = Labels.rec;

  kiv::Window window(kiv::Window::Mdi, kLabelsModule, "UPDATELABELS$QUICKWINDOW",
                     &Labels.rec.LabelType, &Labels.rec.PageWidth, &Labels.rec.PageHeight,
                     &Labels.rec.LabelWidth, &Labels.rec.LabelHeight, &Labels.rec.TopMargin,
                     &Labels.rec.LeftMargin, &Labels.rec.FontSize, &Labels.rec.Borders);
  window.open();
  RestorePosition("UpdateLabels");
  window.setText(0, call.inserting() ? "Adding a Labels Record" : "Changing a Labels Record");
  form_toolbar::Setup(window, call.request);
  window.display();
  window.select(LabelType);

  int32_t pendingAction = 0;  // the toolbar button whose save is under way
  // The font size refused last, so that one refusal is told once (leaving the field and the
  // OK that follows accept it twice).
  int32_t refused = -1;
  auto fontChecked = [&] {
    if (fontSizeAllowed()) {
      refused = -1;
      return true;
    }
    if (int32_t(Labels.rec.FontSize) != refused) {
      refused = int32_t(Labels.rec.FontSize);
      AppWarning(10, "Font Size", "5 and 240");
    }
    window.select(FontSize);
    return false;
  };
  bool closed = false;
  for (kiv::Event& event : window.events()) {
    const int32_t field = event.field();
    if (event.closing()) {
      if (!closed) SavePosition("UpdateLabels");
      closed = true;
    } else if (event.is(kiv::event::Rejected)) {
      kiv::beep(150, 16);
      window.display(field);
      window.select(field);
    } else if (event.accepted(Ok)) {
      pendingAction = 0;
      window.select(0);
    } else if (event.accepted(Cancel)) {
      call.response = response::Cancelled;
      window.post(kiv::event::CloseWindow);
    } else if (event.accepted(form_toolbar::Help)) {
      explainLayout();
    } else if (event.is(kiv::event::Accepted) && field >= form_toolbar::First &&
               field <= form_toolbar::Last) {
      // A toolbar button saves like OK, then the browse moves on as the button says.
      pendingAction = field;
      window.select(0);
    } else if (event.accepted(FontSize)) {
      window.update(FontSize);
      if (!fontChecked()) event.cycle();
    } else if (event.is(kiv::event::Completed)) {
      if (!fontChecked()) {
        pendingAction = 0;
        continue;
      }
      if (Labels.rec.LabelType.blank()) {
        kiv::message("A label layout needs a name.", "Update Labels", KIV_ICON_ASTERISK);
        pendingAction = 0;
        window.select(LabelType);
        continue;
      }
      bool done = false;
      if (call.inserting()) {
        if (AddRecordRule(Labels, "Labels") == RuleResult::Done) {
          call.response = response::Completed;
          done = true;
        } else {
          if (kiv::errorCode() == 40) AppWarning(24, "LAB:Type");
          Kiv$clearerror();
          window.select(LabelType);
        }
      } else {
        const bool changed = std::memcmp(&before, &Labels.rec, sizeof before) != 0;
        done =
            SaveChange(
                call, window, &before, &Labels.rec, sizeof Labels.rec,
                [] { return UpdateRecordRule(Labels, "Labels"); }, LabelType) == AfterSave::Close;
        // Nothing changed and a move pending: the move is all there is to it.
        if (done && !changed && pendingAction) call.response = response::Cancelled;
      }
      if (done) {
        // A move goes ahead when the record was saved, or when there was nothing to save.
        const bool saved = call.response == response::Completed ||
                           std::memcmp(&before, &Labels.rec, sizeof before) == 0;
        FormAction = saved ? pendingAction : 0;
        window.post(kiv::event::CloseWindow);
      }
      pendingAction = 0;
    }
  }
}
