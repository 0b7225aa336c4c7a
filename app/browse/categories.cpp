// SelectCategory, the browse of the category names (and the picker of one), and CategoryForm.
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_controls.h"
#include "app/browse/browse_window.h"
#include "app/browse/form_support.h"
#include "app/browse/rules.h"

namespace {

using namespace category_feq;

#define CATEGORY_ROW_FIELDS(FIELD)     \
  FIELD(Name, kiv::String<20>, "NAME") \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(CategoryRow, "CRW", CATEGORY_ROW_FIELDS);

void buildRow(CategoryRow& row) { row.Name = Category.rec.Name.view(); }

BrowseSpec categorySpec() {
  BrowseSpec s;
  s.module = kCategoryModule;
  s.label = "SELECTCATEGORY$QUICKWINDOW";
  s.section = "SelectCategory";
  s.table = &Category;
  s.tableName = "Category";
  s.controls = {List, Insert, Change, Delete, Select, Close, 0};
  s.form = CategoryForm;
  s.startAtBuffer = true;
  s.orders.push_back({&Category.ByName, 0, Locator,
                      [](const std::string& t) { Category.rec.Name = t; },
                      [] { return SortableText(Category.rec.Name.view()); }});
  s.followBottom = {Insert, Change, Delete, Select, Close};
  s.growWidth = {List};
  s.growHeight = {List};
  return s;
}

}  // namespace

void SelectCategory() {
  BrowseTables tables;
  CatalogUse category(Category, CategoryUseCount);
  BrowseWindow<CategoryRow> browse(categorySpec(), buildRow);
  GlobalResponse = browse.run();
}

bool PickCategory(std::string_view current, std::string& chosen) {
  const int32_t keepRequest = GlobalRequest, keepResponse = GlobalResponse;
  CatalogUse category(Category, CategoryUseCount);
  // The picker opens on the category now chosen.
  Category.rec.clear();
  Category.rec.Name = current;
  GlobalRequest = request::Select;
  SelectCategory();
  const bool picked = GlobalResponse == response::Completed;
  if (picked) chosen = Category.rec.Name.str();
  GlobalRequest = keepRequest;
  GlobalResponse = keepResponse;
  return picked;
}

// ---- CategoryForm ----

void CategoryForm() {
  FormCall call;
  CatalogUse category(Category, CategoryUseCount);
  CatalogUse disks(Disks, DisksUseCount);
  if (call.request == request::Delete) {
    call.response = ConfirmAndDelete(DeleteCategoryRule);
    return;
  }
  if (call.inserting())
    Category.rec.clear();
  else
    WatchCurrentRecord(Category);
  CategoryRecord before = Category.rec;

  kiv::Window window(kiv::Window::Mdi, kCategoryModule, "CATEGORYFORM$QUICKWINDOW",
                     &Category.rec.Name);
  window.open();
  RestorePosition("CategoryForm");
  window.setText(0, call.inserting() ? "Adding a Category Record" : "Changing a Category Record");
  window.display();
  window.select(Name);
  bool saved = false;
  for (kiv::Event& event : window.events()) {
    if (event.closing()) {
      if (!saved) SavePosition("CategoryForm");
      saved = true;
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
      if (Category.rec.Name.blank()) {
        kiv::message("A category needs a name.", "Update the Category File", KIV_ICON_ASTERISK);
        window.select(Name);
        continue;
      }
      if (call.inserting()) {
        if (AddRecordRule(Category, "Category") == RuleResult::Done) {
          call.response = response::Completed;
          window.post(kiv::event::CloseWindow);
        } else {
          if (kiv::errorCode() == 40) AppWarning(24, "CAT:ByName");
          Kiv$clearerror();
          window.select(Name);
        }
        continue;
      }
      if (SaveChange(
              call, window, &before, &Category.rec, sizeof Category.rec,
              [&] { return UpdateCategoryRule(before); }, Name) == AfterSave::Close)
        window.post(kiv::event::CloseWindow);
    }
  }
}
