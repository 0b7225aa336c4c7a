// Compound descriptors: arrays (an element descriptor and a count) and groups (a STRING over
// the whole storage with a layout for field access).
#include <cstring>
#include <memory>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/ufo.h"

using kiv::core::typingError;

// ---------------------------------------------------------------------------------------------
// ArrayUfo

ArrayUfo::ArrayUfo(Ufo* element, int32_t count)
    : VarUfo(element ? element->type() : 0, element ? element->Address() : nullptr),
      element_(element),
      count_(count > 0 ? count : 0) {}

ArrayUfo::~ArrayUfo() { delete element_; }

uint32_t ArrayUfo::Size() {
  return element_ ? element_->Size() * static_cast<uint32_t>(count_) : 0;
}

int32_t ArrayUfo::Kind() { return element_ ? element_->Kind() : KIV_LONG; }

// A whole array has no single value.
void ArrayUfo::SetLong(int32_t) { typingError(10); }
void ArrayUfo::SetReal(double) { typingError(10); }

// Arrays assign element by element, as far as both reach.
void ArrayUfo::Assign(Ufo& source) {
  auto* other = dynamic_cast<ArrayUfo*>(&source);
  if (!other) {
    typingError(10);
    return;
  }
  int32_t n = count_ < other->count_ ? count_ : other->count_;
  for (int32_t i = 1; i <= n; ++i) {
    std::unique_ptr<Ufo> to(Element(i));
    std::unique_ptr<Ufo> from(other->Element(i));
    if (to && from) to->Assign(*from);
  }
}

void ArrayUfo::ClearTo(int32_t sign) {
  for (int32_t i = 1; i <= count_; ++i) {
    std::unique_ptr<Ufo> e(Element(i));
    if (e) e->ClearTo(sign);
  }
}

Ufo* ArrayUfo::Element(int32_t index) {
  if (!element_) return nullptr;
  if (index < 1 || index > count_) {
    typingError(8);
    index = 1;
  }
  Ufo* e = element_->Duplicate(false);
  if (e && addr_) e->SetAddress(static_cast<char*>(addr_) + size_t(index - 1) * element_->Size());
  return e;
}

bool ArrayUfo::AllBlank() {
  for (int32_t i = 1; i <= count_; ++i) {
    std::unique_ptr<Ufo> e(Element(i));
    if (e && !e->AllBlank()) return false;
  }
  return true;
}

Ufo* ArrayUfo::Duplicate(bool ownCopy) {
  if (!element_) return nullptr;
  auto* copy = new ArrayUfo(element_->Duplicate(false), count_);
  copy->addr_ = addr_;
  if (ownCopy) copy->takeOwnedCopy(Size());
  if (copy->element_) copy->element_->SetAddress(copy->addr_);
  return copy;
}

void ArrayUfo::SetAddress(void* addr) {
  Ufo::SetAddress(addr);
  if (element_) element_->SetAddress(addr);
}

void ArrayUfo::Release() {
  Ufo::Release();
  if (element_) element_->SetAddress(nullptr);
}

// ---------------------------------------------------------------------------------------------
// GroupUfo

GroupUfo::GroupUfo(void* addr, std::shared_ptr<const class_descriptor> layout, bool ownCopy)
    : StringUfo(KIV_STRING, addr, layout ? layout->RecordSize() : 0, ownCopy),
      layout_(std::move(layout)) {}

Ufo* GroupUfo::makeLike(void* addr, bool ownCopy) { return new GroupUfo(addr, layout_, ownCopy); }

void GroupUfo::ClearTo(int32_t sign) {
  if (addr_) layout_->Clear(addr_, sign);
}

Ufo* GroupUfo::Field(int32_t n) {
  if (n < 1 || static_cast<uint32_t>(n) > layout_->NFields()) {
    // There is no field n to fall back on: give none rather than read past the layout.
    typingError(6);
    return nullptr;
  }
  return layout_->FieldUfo(addr_, static_cast<uint32_t>(n));
}

int32_t GroupUfo::Count() { return static_cast<int32_t>(layout_->Dimension()); }

bool GroupUfo::AllBlank() { return addr_ ? layout_->AllBlank(addr_) : true; }

// A group converts field by field, so that numbers stored in it keep their bytes.
void GroupUfo::OemToAnsi() {
  if (addr_) layout_->ConvertText(addr_, true);
}

void GroupUfo::AnsiToOem() {
  if (addr_) layout_->ConvertText(addr_, false);
}

void GroupUfo::BIND() {
  const auto& binder = kiv::core::fieldBinder();
  if (!binder) {
    typingError(7);
    return;
  }
  for (uint32_t n = 1; n <= layout_->NFields(); ++n) {
    const FieldDescription& f = layout_->FieldDesc(n);
    if (f.name.empty()) continue;
    std::unique_ptr<Ufo> field(layout_->FieldUfo(addr_, n));
    if (field) binder(*field, f.name);
  }
}
