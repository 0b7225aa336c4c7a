// Typed value descriptors: the Ufo class family. A descriptor pairs a type code with the address
// of a value's storage and converts, compares, clears and selects through virtual operations,
// declared here in their slot order (SetLong .. SetAddress). The exported C operations of
// include/kvrun32/ufo.h are thin adapters over these classes.
//
// Pictured values (kind 29) are subclasses of RealUfo, DecimalUfo and LongUfo that keep a
// compiled picture beside the value: they push their formatted text and pop typed text through
// the picture, and take their numeric value everywhere else. The value of an expression node
// (ComputedUfo) lives with the expression evaluator.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "include/kvrun32/picture.h"
#include "include/kvrun32/ufo.h"

// Where Save writes: n bytes, or one byte.
class UfoWriter {
 public:
  virtual ~UfoWriter() = default;
  virtual void WriteBytes(const void* data, uint32_t n) = 0;
  virtual void WriteByte(uint8_t b) = 0;
};

// Where Load and LoadVariant read from. Reading past the end gives zero bytes.
class UfoReader {
 public:
  virtual ~UfoReader() = default;
  virtual void ReadBytes(void* data, uint32_t n) = 0;
  virtual uint8_t ReadByte() = 0;
  // True once a read ran past the end of what there is to read.
  virtual bool Failed() const { return false; }
};

// A writer that appends to a byte vector.
class UfoMemoryWriter : public UfoWriter {
 public:
  void WriteBytes(const void* data, uint32_t n) override;
  void WriteByte(uint8_t b) override { bytes_.push_back(b); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// A reader over bytes it does not own. `overrun()` tells whether a read ran past the end.
class UfoMemoryReader : public UfoReader {
 public:
  UfoMemoryReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  void ReadBytes(void* data, uint32_t n) override;
  uint8_t ReadByte() override;
  size_t position() const { return pos_; }
  bool Failed() const override { return overrun_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool overrun_ = false;
};

class class_descriptor;

// Descriptor flags.
constexpr uint8_t kUfoOwnsStorage = 0x01;

// The abstract base of every descriptor.
struct Ufo {
 public:
  Ufo(uint8_t type, void* addr) : type_(type), addr_(addr) {}
  Ufo(const Ufo&) = delete;
  Ufo& operator=(const Ufo&) = delete;

  // Slots 0 to 31, in order.
  virtual void SetLong(int32_t value) = 0;
  virtual void SetReal(double value) = 0;
  virtual void Assign(Ufo& source) = 0;
  virtual int32_t Compare(Ufo& other);
  virtual int32_t CompareLong(int32_t value);
  virtual void Save(UfoWriter& writer);
  virtual void Load(UfoReader& reader);
  virtual void LoadVariant(UfoReader& reader);
  virtual void PopValue();
  virtual void PushValue();
  virtual void PopDecimal();
  virtual void PushDecimal();
  virtual double GetReal();
  virtual int32_t GetLong();
  virtual void Release();
  virtual void ClearTo(int32_t sign) = 0;
  virtual void* Address();
  virtual Ufo* Duplicate(bool ownCopy);
  virtual Ufo* Element(int32_t index);
  virtual Ufo* Slice(int32_t start, int32_t end);
  virtual Ufo* Field(int32_t n);
  virtual int32_t Count();
  virtual uint32_t Size() = 0;
  virtual int32_t Kind() = 0;
  virtual bool AllBlank();
  virtual bool IsBlank();
  virtual void OemToAnsi();
  virtual void AnsiToOem();
  virtual void BIND();
  virtual void AddTo(Ufo& other);
  virtual void DivideBy(Ufo& other);
  virtual void SetAddress(void* addr);

  virtual ~Ufo();

  // Mode 1: a ValueUfo snapshot; mode 2: Duplicate with an owned copy; else an alias.
  Ufo* Clone(int32_t mode);

  uint8_t type() const { return type_; }
  uint8_t flags() const { return flags_; }
  bool ownsStorage() const { return (flags_ & kUfoOwnsStorage) != 0; }

 protected:
  // Replaces the storage by an owned copy of `size` bytes of the current storage (zeroes when
  // there is none), freeing storage owned before.
  void takeOwnedCopy(uint32_t size);
  // Frees owned storage and replaces it by `size` fresh zero bytes, owned.
  void takeOwnedStorage(uint32_t size);
  // Reads the type code that Save wrote and gives it; a different one is typing error 11.
  uint8_t readTypeCode(UfoReader& reader);
  // Before Load: a descriptor that aliases storage first gets an owned copy.
  void ownBeforeLoad();

  uint8_t type_;       // type code
  uint8_t flags_ = 0;  // kUfoOwnsStorage
  void* addr_;         // storage address
};

// A descriptor that holds its own value: LONG (6), REAL (9), decimal (10) or string (18).
class ValueUfo : public Ufo {
 public:
  ValueUfo();
  ~ValueUfo() override;

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  void Save(UfoWriter& writer) override;
  void Load(UfoReader& reader) override;
  void PopValue() override;
  void PushValue() override;
  void PopDecimal() override;
  void PushDecimal() override;
  double GetReal() override;
  int32_t GetLong() override;
  void Release() override;
  void ClearTo(int32_t sign) override;
  void* Address() override;
  Ufo* Duplicate(bool ownCopy) override;
  uint32_t Size() override;
  int32_t Kind() override { return type_; }
  void SetAddress(void*) override {}

  // Size and places of the decimal a ValueUfo holds: the whole register but its lowest cell.
  static constexpr uint32_t kDecimalSize = 32;
  static constexpr uint32_t kDecimalPlaces = 31;

 private:
  void becomeKind(uint8_t kind);
  void freeText();

  int32_t long_ = 0;
  double real_ = 0.0;
  uint8_t decimal_[kDecimalSize] = {};
  KivHeapStr text_ = {nullptr, 0};
};

// A descriptor over storage.
class VarUfo : public Ufo {
 public:
  using Ufo::Ufo;
};

// LONG (6) and the integer types that share its rules.
class LongUfo : public VarUfo {
 public:
  LongUfo(void* addr, bool ownCopy) : LongUfo(KIV_LONG, addr, ownCopy) {}

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  int32_t Compare(Ufo& other) override;
  void PopValue() override;
  void PushValue() override;
  void PopDecimal() override;
  void PushDecimal() override;
  double GetReal() override;
  int32_t GetLong() override;
  void ClearTo(int32_t sign) override;
  Ufo* Duplicate(bool ownCopy) override;
  uint32_t Size() override;
  int32_t Kind() override { return KIV_LONG; }

 protected:
  LongUfo(uint8_t type, void* addr, bool ownCopy);
};

class ByteUfo : public LongUfo {
 public:
  ByteUfo(void* addr, bool ownCopy) : LongUfo(KIV_BYTE, addr, ownCopy) {}
};

class ShortUfo : public LongUfo {
 public:
  ShortUfo(void* addr, bool ownCopy) : LongUfo(KIV_SHORT, addr, ownCopy) {}
};

class UshortUfo : public LongUfo {
 public:
  UshortUfo(void* addr, bool ownCopy) : LongUfo(KIV_USHORT, addr, ownCopy) {}
};

// DATE and TIME hold calendar storage; their LONG value is the date or time serial.
class DateUfo : public LongUfo {
 public:
  DateUfo(void* addr, bool ownCopy) : LongUfo(KIV_DATE, addr, ownCopy) {}
};

class TimeUfo : public LongUfo {
 public:
  TimeUfo(void* addr, bool ownCopy) : LongUfo(KIV_TIME, addr, ownCopy) {}
};

// REAL (9) and the floating types that share its rules.
class RealUfo : public VarUfo {
 public:
  RealUfo(void* addr, bool ownCopy) : RealUfo(KIV_REAL, addr, ownCopy) {}

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  void PopValue() override;
  void PushValue() override;
  void PopDecimal() override;
  void PushDecimal() override;
  double GetReal() override;
  int32_t GetLong() override;
  void ClearTo(int32_t sign) override;
  Ufo* Duplicate(bool ownCopy) override;
  uint32_t Size() override;
  int32_t Kind() override { return KIV_REAL; }

 protected:
  RealUfo(uint8_t type, void* addr, bool ownCopy);
};

class FloatUfo : public RealUfo {
 public:
  FloatUfo(void* addr, bool ownCopy) : RealUfo(KIV_SREAL, addr, ownCopy) {}
};

class Bfloat4Ufo : public RealUfo {
 public:
  Bfloat4Ufo(void* addr, bool ownCopy) : RealUfo(KIV_BFLOAT4, addr, ownCopy) {}
};

class Bfloat8Ufo : public RealUfo {
 public:
  Bfloat8Ufo(void* addr, bool ownCopy) : RealUfo(KIV_BFLOAT8, addr, ownCopy) {}
};

// DECIMAL (10) with its size in bytes and places, and the types that share its rules.
class DecimalUfo : public VarUfo {
 public:
  DecimalUfo(void* addr, uint32_t size, uint32_t places, bool ownCopy)
      : DecimalUfo(KIV_DECIMAL, addr, size, places, ownCopy) {}

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  int32_t Compare(Ufo& other) override;
  void Save(UfoWriter& writer) override;
  void Load(UfoReader& reader) override;
  void PopValue() override;
  void PushValue() override;
  void PopDecimal() override;
  void PushDecimal() override;
  double GetReal() override;
  int32_t GetLong() override;
  void ClearTo(int32_t sign) override;
  Ufo* Duplicate(bool ownCopy) override;
  uint32_t Size() override { return size_; }
  int32_t Kind() override { return KIV_DECIMAL; }

  uint8_t places() const { return places_; }

 protected:
  DecimalUfo(uint8_t type, void* addr, uint32_t size, uint32_t places, bool ownCopy);

  uint8_t size_;    // bytes of storage
  uint8_t places_;  // fraction digits
};

class PdecimalUfo : public DecimalUfo {
 public:
  PdecimalUfo(void* addr, uint32_t size, uint32_t places, bool ownCopy)
      : DecimalUfo(KIV_PDECIMAL, addr, size, places, ownCopy) {}
};

// ULONG: a decimal of 4 bytes and 0 places whose storage is a 4-byte unsigned value.
class UlongUfo : public DecimalUfo {
 public:
  UlongUfo(void* addr, bool ownCopy) : DecimalUfo(KIV_ULONG, addr, 4, 0, ownCopy) {}

  void SetLong(int32_t value) override;
  int32_t GetLong() override;
  void ClearTo(int32_t sign) override;
};

// ---------------------------------------------------------------------------------------------
// Pictured values (kind 29).

// The compiled picture a pictured descriptor keeps. A text that does not compile gives a
// picture of width 0: its value formats as the empty text and typed text reads back as 0, as
// the picture operations on the stacks do.
class UfoPicture {
 public:
  explicit UfoPicture(std::string_view text);

  const std::string& text() const { return text_; }
  bool compiled() const { return width_ > 0; }
  // Display width: the characters every formatted value has.
  uint32_t width() const { return width_; }
  const void* compiledPicture() const { return buffer_.data(); }

  // The number text typed text reads back as (dates and times as serials).
  std::string deformat(std::string_view typed) const;
  // Replaces the string stack's top by the number text it reads back as.
  void deformatTop() const;

 private:
  std::string text_;
  std::array<uint8_t, KIV_PICTURE_SIZE> buffer_{};
  uint32_t width_ = 0;
};

// What the pictured kinds share over their plain base: typed text is read back through the
// picture, a string is assigned by the same way, and the kind is KIV_PICTURED. Each kind
// formats its own value (PushValue) and copies itself (Duplicate).
template <class Base>
class PicturedUfo : public Base {
 public:
  template <typename... BaseArgs>
  PicturedUfo(const UfoPicture& picture, BaseArgs... args) : Base(args...), picture_(picture) {}

  void Assign(Ufo& source) override {
    if (source.Kind() != KIV_STRING) return Base::Assign(source);
    source.PushValue();
    this->PopValue();
  }
  void PopValue() override {
    picture_.deformatTop();
    Base::PopValue();
  }
  int32_t Kind() override { return KIV_PICTURED; }

  const UfoPicture& picture() const { return picture_; }

 protected:
  UfoPicture picture_;
};

// A LONG-family value (LONG, BYTE, SHORT, USHORT, DATE, TIME) with a picture.
class PictureUfoL : public PicturedUfo<LongUfo> {
 public:
  PictureUfoL(uint8_t type, void* addr, const UfoPicture& picture, bool ownCopy)
      : PicturedUfo(picture, type, addr, ownCopy) {}

  void PushValue() override;
  Ufo* Duplicate(bool ownCopy) override;
};

// A REAL-family value (REAL, SREAL, BFLOAT4, BFLOAT8) with a picture.
class PictureUfoS : public PicturedUfo<RealUfo> {
 public:
  PictureUfoS(uint8_t type, void* addr, const UfoPicture& picture, bool ownCopy)
      : PicturedUfo(picture, type, addr, ownCopy) {}

  void PushValue() override;
  Ufo* Duplicate(bool ownCopy) override;
};

// A DECIMAL or PDECIMAL value with a picture.
class PictureUfoD : public PicturedUfo<DecimalUfo> {
 public:
  PictureUfoD(uint8_t type, void* addr, uint32_t size, uint32_t places, const UfoPicture& picture,
              bool ownCopy)
      : PicturedUfo(picture, type, addr, size, places, ownCopy) {}

  void PushValue() override;
  Ufo* Duplicate(bool ownCopy) override;
};

// STRING (18): fixed length, padded with spaces.
class StringUfo : public VarUfo {
 public:
  StringUfo(void* addr, uint32_t len, bool ownCopy) : StringUfo(KIV_STRING, addr, len, ownCopy) {}

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  int32_t Compare(Ufo& other) override;
  void Save(UfoWriter& writer) override;
  void Load(UfoReader& reader) override;
  void PopValue() override;
  void PushValue() override;
  void PopDecimal() override;
  void PushDecimal() override;
  double GetReal() override;
  int32_t GetLong() override;
  void ClearTo(int32_t sign) override;
  Ufo* Duplicate(bool ownCopy) override;
  Ufo* Slice(int32_t start, int32_t end) override;
  uint32_t Size() override { return len_; }
  int32_t Kind() override { return KIV_STRING; }
  void OemToAnsi() override;
  void AnsiToOem() override;

 protected:
  StringUfo(uint8_t type, void* addr, uint32_t len, bool ownCopy);
  // A new descriptor of this class over `addr` (owning a copy when asked).
  virtual Ufo* makeLike(void* addr, bool ownCopy);

  uint32_t len_;  // declared length in bytes
};

class CstringUfo : public StringUfo {
 public:
  CstringUfo(void* addr, uint32_t len, bool ownCopy) : StringUfo(KIV_CSTRING, addr, len, ownCopy) {}
  void PopValue() override;
  void PushValue() override;
  void ClearTo(int32_t sign) override;

 protected:
  Ufo* makeLike(void* addr, bool ownCopy) override;
};

class PstringUfo : public StringUfo {
 public:
  PstringUfo(void* addr, uint32_t len, bool ownCopy) : StringUfo(KIV_PSTRING, addr, len, ownCopy) {}
  void PopValue() override;
  void PushValue() override;
  void ClearTo(int32_t sign) override;
  void OemToAnsi() override;
  void AnsiToOem() override;

 protected:
  Ufo* makeLike(void* addr, bool ownCopy) override;
};

// A reference: 4 bytes handled as a STRING, cleared to zero bytes.
class RefUfo : public StringUfo {
 public:
  RefUfo(void* addr, bool ownCopy) : StringUfo(KIV_REFERENCE, addr, 4, ownCopy) {}
  void ClearTo(int32_t sign) override;
  bool IsBlank() override;
  void OemToAnsi() override {}  // an address, not text
  void AnsiToOem() override {}

 protected:
  Ufo* makeLike(void* addr, bool ownCopy) override;
};

// A GROUP, handled as a STRING over its whole storage, with its layout for field access.
class GroupUfo : public StringUfo {
 public:
  GroupUfo(void* addr, std::shared_ptr<const class_descriptor> layout, bool ownCopy);

  void ClearTo(int32_t sign) override;
  Ufo* Field(int32_t n) override;
  int32_t Count() override;
  bool AllBlank() override;
  void OemToAnsi() override;
  void AnsiToOem() override;
  void BIND() override;

  const class_descriptor& layout() const { return *layout_; }

 protected:
  Ufo* makeLike(void* addr, bool ownCopy) override;

 private:
  std::shared_ptr<const class_descriptor> layout_;
};

// An array: an element descriptor (owned) and an element count.
class ArrayUfo : public VarUfo {
 public:
  ArrayUfo(Ufo* element, int32_t count);
  ~ArrayUfo() override;

  void SetLong(int32_t value) override;
  void SetReal(double value) override;
  void Assign(Ufo& source) override;
  void Release() override;
  void ClearTo(int32_t sign) override;
  Ufo* Duplicate(bool ownCopy) override;
  Ufo* Element(int32_t index) override;
  int32_t Count() override { return count_; }
  uint32_t Size() override;
  int32_t Kind() override;
  bool AllBlank() override;
  bool IsBlank() override { return AllBlank(); }
  void SetAddress(void* addr) override;

 private:
  Ufo* element_;   // describes element 1
  int32_t count_;  // number of elements
};

// ---------------------------------------------------------------------------------------------
// Group layouts (the byte format is documented in include/kvrun32/ufo.h).

// One field of a group layout.
struct FieldDescription {
  uint8_t type = 0;      // type code (31 for every reference code 31..36; 22 for a member group)
  uint8_t places = 0;    // fraction digits of DECIMAL and PDECIMAL
  uint8_t overlay = 0;   // 1 when the field lies over an earlier one (OVER)
  uint32_t size = 0;     // bytes of one element
  uint32_t dim = 0;      // element count; 0 or 1 for a single value
  uint32_t offset = 0;   // byte offset from the start of the group's first element
  uint32_t members = 0;  // for a member group: the fields after it that belong to it
  std::string name;      // label, such as "DIS:IDNUM"; may be empty
  std::string picture;   // display picture; may be empty
  std::string extra;     // further declaration text; may be empty

  uint32_t totalSize() const { return size * (dim > 1 ? dim : 1); }
};

// Reads a group layout and keeps one description per field, in declaration order. Member
// groups are fields of type 22 followed by their own fields (numbered on, flat).
class class_descriptor {
 public:
  // Reads the layout; a layout that does not parse gives a descriptor with Valid() false and
  // no fields.
  explicit class_descriptor(const uint8_t* layout);
  class_descriptor(std::string name, uint32_t elementSize, uint32_t dim,
                   std::vector<FieldDescription> fields);

  bool Valid() const { return valid_; }
  const std::string& Name() const { return name_; }
  uint32_t NFields() const { return static_cast<uint32_t>(fields_.size()); }
  // Field n, 1-based; n must lie in 1..NFields().
  const FieldDescription& FieldDesc(uint32_t n) const { return fields_.at(n - 1); }
  uint32_t ElementSize() const { return elementSize_; }
  uint32_t Dimension() const { return dim_; }
  uint32_t RecordSize() const { return elementSize_ * (dim_ > 1 ? dim_ : 1); }
  // 1-based number of the field with this label (case-blind), or 0.
  uint32_t FindField(std::string_view name) const;

  // A new descriptor aliasing field n of the group stored at `group` (an ArrayUfo when the
  // field is dimensioned, a GroupUfo for a member group), or none with error 75 when the
  // field's type cannot be described.
  Ufo* FieldUfo(void* group, uint32_t n) const;
  // The layout of member group n (a field of type 22) as a layout of its own.
  std::shared_ptr<const class_descriptor> MemberLayout(uint32_t n) const;
  // Clears every field that is not an overlay by its own rule, in every element.
  void Clear(void* group, int32_t sign) const;
  // True when every field of every element is blank.
  bool AllBlank(void* group) const;
  // Converts the text of every string field in place (toAnsi: OEM to ANSI, else ANSI to OEM).
  void ConvertText(void* group, bool toAnsi) const;
  // The layout as bytes, in the documented format.
  std::vector<uint8_t> Encode() const;

 private:
  bool valid_ = false;
  std::string name_;
  uint32_t elementSize_ = 0;
  uint32_t dim_ = 0;
  std::vector<FieldDescription> fields_;
};

// Builds a group layout by calls, in declaration order:
//   SETUP("Q", 0); ADDFIELD(KIV_LONG, 0, "Q:ID"); STARTGROUP("Q:NAME");
//   ADDFIELD(KIV_STRING, 20, "Q:FIRST"); ENDGROUP(); ENDDECLARATION();
// Offsets follow each other without gaps. Mistakes (ENDGROUP without a group, OVERFIELD of an
// unknown label, a type that has no size) are reported as typing error 75.
class CLASS_DESCRIPTOR {
 public:
  // Starts a new layout for a group with this label and dimension (0 = a single group).
  void SETUP(const char* name = "", uint32_t dim = 0);
  // Opens a member group; its fields follow until ENDGROUP.
  void STARTGROUP(const char* name);
  // Adds a field. Reference codes 31..36 become 31. A size of 0 takes the type's fixed size,
  // or, for a sized type with a picture, the picture's display width. `dims` is the element
  // count (0 for a single value).
  // `places` gives the fraction digits of DECIMAL and PDECIMAL.
  void ADDFIELD(int32_t type, uint32_t size, const char* name, uint32_t dims = 0,
                const char* picture = nullptr, const char* extra = nullptr, uint32_t places = 0);
  // Makes the field or member group added last an array of `count` elements (multiplying an
  // existing dimension).
  void ADDARRAY(uint32_t count);
  // Places the next field or member group over the earlier field with this label.
  void OVERFIELD(const char* name);
  // Closes the innermost member group.
  void ENDGROUP();
  // Closes any groups still open and gives the layout bytes.
  const std::vector<uint8_t>& ENDDECLARATION();

  // The fields declared so far.
  const std::vector<FieldDescription>& fields() const { return fields_; }

 private:
  struct OpenGroup {
    size_t field;      // index of the group's field
    uint32_t start;    // offset of the group's first byte
    uint32_t cursor;   // next free offset inside the group
    bool overlay;      // the group lies over an earlier field
    uint32_t overEnd;  // end of the space it may use when it overlays
  };
  uint32_t& cursor();
  void place(FieldDescription& f);
  void advanceAfter(size_t index);

  std::string name_;
  uint32_t dim_ = 0;
  uint32_t size_ = 0;  // running size of the outer group
  std::vector<FieldDescription> fields_;
  std::vector<OpenGroup> open_;
  long lastItem_ = -1;    // field that ADDARRAY applies to
  long overTarget_ = -1;  // field the next item overlays
  std::vector<uint8_t> layout_;
};

// ---------------------------------------------------------------------------------------------
// Helpers shared by the family.

namespace kiv::core {

// A new descriptor for a type code over storage (see Kiv$Mem2Ufo); none for an unknown code,
// without reporting.
Ufo* makeUfo(void* addr, int32_t type, uint32_t size, uint32_t places, bool ownCopy);

// A new pictured descriptor (kind 29) over storage of a LONG-family type (1 to 6), a REAL-family
// type (8, 9, 13, 14) or DECIMAL/PDECIMAL (10, 11, with size and places), showing its value
// through `picture`; none for any other type code, without reporting.
Ufo* makePicturedUfo(void* addr, int32_t type, uint32_t size, uint32_t places,
                     std::string_view picture, bool ownCopy);

// Kinds 18 to 20 and 27 to 29.
bool isStringLike(int32_t kind);
// The class in which two kinds meet: 18, 6, 9 or 10.
int32_t meetingClass(int32_t kindA, int32_t kindB);

// Comparisons by class: -1, 0 or 1.
int32_t compareAsIntegers(Ufo& a, Ufo& b);
int32_t compareAsReals(Ufo& a, Ufo& b);
int32_t compareAsDecimals(Ufo& a, Ufo& b);
int32_t compareAsStrings(Ufo& a, Ufo& b);
// The generic rule: by the meeting class.
int32_t compareByMeeting(Ufo& a, Ufo& b);

// Double truncated toward zero to 32 bits; values outside the range give INT32_MIN, as the
// processor's conversion does.
int32_t truncateToLong(double value);

// The expression evaluator installs how GroupUfo::BIND binds one named field. The field
// descriptor is temporary: a binder that keeps it keeps a Duplicate.
using FieldBinder = std::function<void(Ufo& field, std::string_view name)>;
void setFieldBinder(FieldBinder binder);
const FieldBinder& fieldBinder();

}  // namespace kiv::core
