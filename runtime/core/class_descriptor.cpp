// Group layouts: reading them (class_descriptor), writing them, and building them by calls
// (CLASS_DESCRIPTOR, and the Kiv$Layout calls over it). The byte format is documented in
// include/kvrun32/ufo.h.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/ufo.h"
#include "runtime/core/ascii_names.h"

namespace {

constexpr uint32_t kHeaderFixed = 1 + 4 + 4 + 4 + 4;  // type, length, size, dim, count

// Whether a field of this type code with this size can be described.
bool validField(const FieldDescription& f) {
  uint32_t fixed = INT$TYPESIZE(f.type);
  switch (f.type) {
    case KIV_BYTE:
    case KIV_SHORT:
    case KIV_USHORT:
    case KIV_DATE:
    case KIV_TIME:
    case KIV_LONG:
    case KIV_ULONG:
    case KIV_SREAL:
    case KIV_REAL:
    case KIV_BFLOAT4:
    case KIV_BFLOAT8:
    case KIV_REFERENCE:
      return f.size == fixed;
    case KIV_DECIMAL:
    case KIV_PDECIMAL:
      return f.size >= 1 && f.size <= 255;
    case KIV_STRING:
    case KIV_CSTRING:
    case KIV_PSTRING:
    case KIV_GROUP:
      return true;
    default:
      return false;
  }
}

// Bounded little-endian reading of a layout.
class LayoutCursor {
 public:
  LayoutCursor(const uint8_t* p, uint32_t size) : p_(p), size_(size) {}
  bool ok() const { return ok_; }
  uint8_t u8() {
    if (!need(1)) return 0;
    return p_[pos_++];
  }
  uint32_t u32() {
    if (!need(4)) return 0;
    uint32_t v =
        p_[pos_] | (p_[pos_ + 1] << 8) | (p_[pos_ + 2] << 16) | (uint32_t(p_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::string text() {
    uint8_t n = u8();
    if (!need(n)) return {};
    std::string s(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return s;
  }
  uint32_t position() const { return pos_; }

 private:
  bool need(uint32_t n) {
    if (!ok_ || size_ - pos_ < n) ok_ = false;
    return ok_;
  }
  const uint8_t* p_;
  uint32_t size_;
  uint32_t pos_ = 0;
  bool ok_ = true;
};

// Member groups nest: a member group's fields follow it within its parent's fields, and every
// field that is not an overlay lies inside one element of the member group holding it (so that
// walking the member group's elements stays inside the record).
bool nestingValid(const std::vector<FieldDescription>& fields) {
  struct Open {
    size_t endIndex;
    uint64_t low, high;
  };
  std::vector<Open> open;
  for (size_t i = 0; i < fields.size(); ++i) {
    while (!open.empty() && open.back().endIndex <= i) open.pop_back();
    const FieldDescription& f = fields[i];
    uint64_t end = uint64_t(f.offset) + uint64_t(f.size) * (f.dim > 1 ? f.dim : 1);
    if (!open.empty()) {
      const Open& parent = open.back();
      if (!f.overlay && (f.offset < parent.low || end > parent.high)) return false;
      if (i + 1 + f.members > parent.endIndex) return false;
    }
    if (f.type == KIV_GROUP)
      open.push_back({i + 1 + f.members, f.offset, uint64_t(f.offset) + f.size});
  }
  return true;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putText(std::vector<uint8_t>& out, const std::string& s) {
  size_t n = std::min<size_t>(s.size(), 255);
  out.push_back(static_cast<uint8_t>(n));
  out.insert(out.end(), s.begin(), s.begin() + static_cast<long>(n));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// class_descriptor

class_descriptor::class_descriptor(const uint8_t* layout) {
  if (!layout || layout[0] != KIV_GROUP) return;
  uint32_t length = layout[1] | (layout[2] << 8) | (layout[3] << 16) | (uint32_t(layout[4]) << 24);
  if (length < kHeaderFixed + 1) return;
  LayoutCursor in(layout, length);
  in.u8();
  in.u32();
  elementSize_ = in.u32();
  dim_ = in.u32();
  uint32_t count = in.u32();
  name_ = in.text();
  // The whole record must be addressable with a 32-bit size.
  if (!in.ok() || uint64_t(elementSize_) * (dim_ > 1 ? dim_ : 1) > UINT32_MAX) {
    name_.clear();
    elementSize_ = dim_ = 0;
    return;
  }
  for (uint32_t i = 0; i < count && in.ok(); ++i) {
    FieldDescription f;
    f.type = in.u8();
    f.places = in.u8();
    f.overlay = in.u8() & 1;
    f.size = in.u32();
    f.dim = in.u32();
    f.offset = in.u32();
    f.members = in.u32();
    f.name = in.text();
    f.picture = in.text();
    f.extra = in.text();
    if (!in.ok() || !validField(f)) break;
    // Every field lies inside the group element, and a member group's fields follow it.
    uint64_t end = uint64_t(f.offset) + uint64_t(f.size) * (f.dim > 1 ? f.dim : 1);
    if (end > elementSize_) break;
    if (f.type != KIV_GROUP && f.members != 0) break;
    if (uint64_t(i) + f.members >= count) break;
    fields_.push_back(std::move(f));
  }
  valid_ = in.ok() && fields_.size() == count && nestingValid(fields_);
  if (!valid_) {
    fields_.clear();
    name_.clear();
    elementSize_ = dim_ = 0;
  }
}

class_descriptor::class_descriptor(std::string name, uint32_t elementSize, uint32_t dim,
                                   std::vector<FieldDescription> fields)
    : valid_(true),
      name_(std::move(name)),
      elementSize_(elementSize),
      dim_(dim),
      fields_(std::move(fields)) {}

uint32_t class_descriptor::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (kiv::core::sameNameIgnoringCase(fields_[i].name, name)) return static_cast<uint32_t>(i + 1);
  return 0;
}

std::shared_ptr<const class_descriptor> class_descriptor::MemberLayout(uint32_t n) const {
  const FieldDescription& g = FieldDesc(n);
  std::vector<FieldDescription> members;
  for (uint32_t i = n; i < n + g.members && i < fields_.size(); ++i) {
    FieldDescription f = fields_[i];
    f.offset -= g.offset;
    members.push_back(std::move(f));
  }
  return std::make_shared<class_descriptor>(g.name, g.size, 0, std::move(members));
}

Ufo* class_descriptor::FieldUfo(void* group, uint32_t n) const {
  const FieldDescription& f = FieldDesc(n);
  void* addr = group ? static_cast<char*>(group) + f.offset : nullptr;
  Ufo* element;
  if (f.type == KIV_GROUP)
    element = new GroupUfo(addr, MemberLayout(n), false);
  else
    element = kiv::core::makeUfo(addr, f.type, f.size, f.places, false);
  if (!element) {
    Kiv$seterror(75);
    return nullptr;
  }
  if (f.dim > 1) return new ArrayUfo(element, static_cast<int32_t>(f.dim));
  return element;
}

namespace {

// Visits fields [from, to) of a layout at `base` (the start of the group element, shifted by the
// element of every member-group array being walked): plain fields element by element, member
// groups through their own fields in each of their elements; overlays are left out. Gives false
// when `visit` asked to stop.
template <typename Visit>
bool visitFields(const class_descriptor& layout, uint32_t from, uint32_t to, char* base,
                 Visit& visit) {
  for (uint32_t n = from; n < to; ++n) {
    const FieldDescription& f = layout.FieldDesc(n);
    uint32_t elements = f.dim > 1 ? f.dim : 1;
    if (f.type == KIV_GROUP) {
      uint32_t end = n + 1 + f.members;
      if (!f.overlay) {
        for (uint32_t e = 0; e < elements; ++e)
          if (!visitFields(layout, n + 1, end, base + size_t(e) * f.size, visit)) return false;
      }
      n = end - 1;
      continue;
    }
    if (f.overlay) continue;
    for (uint32_t e = 0; e < elements; ++e) {
      std::unique_ptr<Ufo> v(kiv::core::makeUfo(base + f.offset + size_t(e) * f.size, f.type,
                                                f.size, f.places, false));
      if (v && !visit(*v)) return false;
    }
  }
  return true;
}

// Calls `visit` with a descriptor for every value of every element of the group; stops when
// `visit` gives false.
template <typename Visit>
void eachValue(const class_descriptor& layout, void* group, Visit visit) {
  uint32_t groups = layout.Dimension() > 1 ? layout.Dimension() : 1;
  for (uint32_t g = 0; g < groups; ++g) {
    char* base = static_cast<char*>(group) + size_t(g) * layout.ElementSize();
    if (!visitFields(layout, 1, layout.NFields() + 1, base, visit)) return;
  }
}

}  // namespace

void class_descriptor::Clear(void* group, int32_t sign) const {
  if (!group) return;
  eachValue(*this, group, [sign](Ufo& v) {
    v.ClearTo(sign);
    return true;
  });
}

bool class_descriptor::AllBlank(void* group) const {
  if (!group) return true;
  bool blank = true;
  eachValue(*this, group, [&blank](Ufo& v) {
    blank = v.IsBlank();
    return blank;
  });
  return blank;
}

void class_descriptor::ConvertText(void* group, bool toAnsi) const {
  if (!group) return;
  eachValue(*this, group, [toAnsi](Ufo& v) {
    if (v.type() == KIV_STRING || v.type() == KIV_CSTRING || v.type() == KIV_PSTRING) {
      if (toAnsi)
        v.OemToAnsi();
      else
        v.AnsiToOem();
    }
    return true;
  });
}

std::vector<uint8_t> class_descriptor::Encode() const {
  std::vector<uint8_t> out;
  out.push_back(KIV_GROUP);
  putU32(out, 0);  // length, filled in at the end
  putU32(out, elementSize_);
  putU32(out, dim_);
  putU32(out, NFields());
  putText(out, name_);
  for (const FieldDescription& f : fields_) {
    out.push_back(f.type);
    out.push_back(f.places);
    out.push_back(f.overlay ? 1 : 0);
    putU32(out, f.size);
    putU32(out, f.dim);
    putU32(out, f.offset);
    putU32(out, f.members);
    putText(out, f.name);
    putText(out, f.picture);
    putText(out, f.extra);
  }
  uint32_t length = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[1 + i] = static_cast<uint8_t>(length >> (8 * i));
  return out;
}

// ---------------------------------------------------------------------------------------------
// CLASS_DESCRIPTOR

void CLASS_DESCRIPTOR::SETUP(const char* name, uint32_t dim) {
  name_ = name ? name : "";
  dim_ = dim;
  size_ = 0;
  fields_.clear();
  open_.clear();
  lastItem_ = -1;
  overTarget_ = -1;
  layout_.clear();
}

uint32_t& CLASS_DESCRIPTOR::cursor() { return open_.empty() ? size_ : open_.back().cursor; }

// Gives the field its offset: over its target, or at the cursor of the innermost open group.
void CLASS_DESCRIPTOR::place(FieldDescription& f) {
  bool insideOverlay = !open_.empty() && open_.back().overlay;
  if (overTarget_ >= 0) {
    f.offset = fields_[static_cast<size_t>(overTarget_)].offset;
    f.overlay = 1;
    overTarget_ = -1;
  } else {
    f.offset = cursor();
    f.overlay = insideOverlay ? 1 : 0;
  }
}

// Moves the cursor past the field at `index` unless it lies over another field.
void CLASS_DESCRIPTOR::advanceAfter(size_t index) {
  const FieldDescription& f = fields_[index];
  uint32_t end = f.offset + f.totalSize();
  uint32_t& c = cursor();
  bool overTarget = f.overlay && (open_.empty() || !open_.back().overlay);
  if (!overTarget && end > c) c = end;
}

void CLASS_DESCRIPTOR::STARTGROUP(const char* name) {
  FieldDescription g;
  g.type = KIV_GROUP;
  g.name = name ? name : "";
  place(g);
  fields_.push_back(g);
  open_.push_back({fields_.size() - 1, g.offset, g.offset, g.overlay != 0, 0});
  lastItem_ = -1;
}

void CLASS_DESCRIPTOR::ADDFIELD(int32_t type, uint32_t size, const char* name, uint32_t dims,
                                const char* picture, const char* extra, uint32_t places) {
  if (type >= 31 && type <= 36) type = KIV_REFERENCE;
  FieldDescription f;
  f.type = static_cast<uint8_t>(type > 0 && type < 256 ? type : 0);
  f.places = static_cast<uint8_t>(places > 255 ? 255 : places);
  f.dim = dims;
  f.name = name ? name : "";
  f.picture = picture ? picture : "";
  f.extra = extra ? extra : "";
  uint32_t fixed = INT$TYPESIZE(type);
  if (fixed) {
    f.size = fixed;
  } else if (size) {
    f.size = size;
  } else {
    // No size: a sized type takes its picture's display width.
    int32_t width = -1;
    if (!f.picture.empty()) {
      uint8_t compiled[KIV_PICTURE_SIZE];
      width = Kiv$storepict(f.picture.data(), static_cast<uint32_t>(f.picture.size()), compiled);
    }
    if (width <= 0) {
      kiv::core::typingError(75);
      return;
    }
    f.size = static_cast<uint32_t>(width);
  }
  if (type == KIV_GROUP || !validField(f)) {
    kiv::core::typingError(75);
    return;
  }
  place(f);
  fields_.push_back(f);
  advanceAfter(fields_.size() - 1);
  lastItem_ = static_cast<long>(fields_.size() - 1);
}

void CLASS_DESCRIPTOR::ADDARRAY(uint32_t count) {
  if (lastItem_ < 0 || count == 0) {
    kiv::core::typingError(75);
    return;
  }
  FieldDescription& f = fields_[static_cast<size_t>(lastItem_)];
  f.dim = (f.dim > 1 ? f.dim : 1) * count;
  advanceAfter(static_cast<size_t>(lastItem_));
}

void CLASS_DESCRIPTOR::OVERFIELD(const char* name) {
  overTarget_ = -1;
  for (size_t i = fields_.size(); i-- > 0;) {
    if (kiv::core::sameNameIgnoringCase(fields_[i].name, name ? name : "")) {
      overTarget_ = static_cast<long>(i);
      return;
    }
  }
  kiv::core::typingError(75);
}

void CLASS_DESCRIPTOR::ENDGROUP() {
  if (open_.empty()) {
    kiv::core::typingError(75);
    return;
  }
  OpenGroup g = open_.back();
  open_.pop_back();
  FieldDescription& f = fields_[g.field];
  f.size = g.cursor - g.start;
  f.members = static_cast<uint32_t>(fields_.size() - g.field - 1);
  advanceAfter(g.field);
  lastItem_ = static_cast<long>(g.field);
}

const std::vector<uint8_t>& CLASS_DESCRIPTOR::ENDDECLARATION() {
  while (!open_.empty()) ENDGROUP();
  uint32_t elementSize = size_;
  for (const FieldDescription& f : fields_)
    elementSize = std::max(elementSize, f.offset + f.totalSize());
  layout_ = class_descriptor(name_, elementSize, dim_, fields_).Encode();
  return layout_;
}

// ---------------------------------------------------------------------------------------------
// The C interface of the builder: Kiv$Layout calls over one CLASS_DESCRIPTOR each.

struct KivLayout {
  CLASS_DESCRIPTOR builder;
};

namespace {

// The builder, or none with typing error 75 when a call has none to work on.
CLASS_DESCRIPTOR* builderOf(KivLayout* layout) {
  if (layout) return &layout->builder;
  kiv::core::typingError(75);
  return nullptr;
}

}  // namespace

extern "C" {

KivLayout* Kiv$LayoutBegin(const char* label, uint32_t dim) {
  auto* layout = new KivLayout;
  layout->builder.SETUP(label, dim);
  return layout;
}

void Kiv$LayoutField(KivLayout* layout, int32_t type, uint32_t size, const char* label,
                     uint32_t places, uint32_t dims, const char* picture) {
  if (CLASS_DESCRIPTOR* b = builderOf(layout))
    b->ADDFIELD(type, size, label, dims, picture, nullptr, places);
}

void Kiv$LayoutArray(KivLayout* layout, uint32_t count) {
  if (CLASS_DESCRIPTOR* b = builderOf(layout)) b->ADDARRAY(count);
}

void Kiv$LayoutGroup(KivLayout* layout, const char* label) {
  if (CLASS_DESCRIPTOR* b = builderOf(layout)) b->STARTGROUP(label);
}

void Kiv$LayoutEndGroup(KivLayout* layout) {
  if (CLASS_DESCRIPTOR* b = builderOf(layout)) b->ENDGROUP();
}

void Kiv$LayoutOver(KivLayout* layout, const char* label) {
  if (CLASS_DESCRIPTOR* b = builderOf(layout)) b->OVERFIELD(label);
}

uint8_t* Kiv$LayoutEnd(KivLayout* layout) {
  std::unique_ptr<KivLayout> owned(layout);
  CLASS_DESCRIPTOR* b = builderOf(layout);
  if (!b) return nullptr;
  const std::vector<uint8_t>& bytes = b->ENDDECLARATION();
  auto* out = static_cast<uint8_t*>(std::malloc(bytes.size()));
  if (!out) {
    Kiv$seterror(8);
    return nullptr;
  }
  std::memcpy(out, bytes.data(), bytes.size());
  return out;
}

void Kiv$LayoutFree(uint8_t* layout) { std::free(layout); }

uint32_t Kiv$LayoutSize(const uint8_t* layout) {
  class_descriptor descriptor(layout);
  if (!descriptor.Valid()) {
    Kiv$seterror(75);
    return 0;
  }
  return descriptor.RecordSize();
}

}  // extern "C"
