// BIND scopes: names that filter expressions may use, from PUSHBIND to POPBIND.
//
//   kiv::BindScope scope;               // PUSHBIND ... POPBIND at the end of the scope
//   scope.bindRecord(Disks.rec);        // every field by its label ("DIS:Label")
//   scope.bind("VolName", VolName);     // one variable under a name
#pragma once

#include <string_view>
#include <vector>

#include "error.h"
#include "../kvrun32.h"

namespace kiv {

class BindScope {
 public:
  BindScope() { Kiv$PushBind(); }
  ~BindScope() {
    Kiv$PopBind();
    for (Ufo* u : owned_) Kiv$FreeUfo(u);
  }
  BindScope(const BindScope&) = delete;
  BindScope& operator=(const BindScope&) = delete;

  // BIND(group): the fields of a record declared with KIV_RECORD.
  template <typename Record>
  void bindRecord(Record& record) {
    Ufo* g = Kiv$Group2Ufo(&record, Record::layout());
    if (!g) return;
    owned_.push_back(g);
    Kiv$BindG(g);
  }
  // BIND(name, variable): a value of the language (kiv::Long, kiv::String<N>, kiv::CString<N>).
  template <typename Value>
  void bind(std::string_view name, Value& variable) {
    Ufo* u = Kiv$Mem2Ufo(&variable, Value::typeCode, Value::size, Value::places, 0);
    if (!u) return;
    owned_.push_back(u);
    pushText(name);
    Kiv$BindV(u);
  }

 private:
  std::vector<Ufo*> owned_;
};

}  // namespace kiv
