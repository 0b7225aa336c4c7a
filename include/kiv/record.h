// Record declarations: one list of fields gives the record's storage (a struct whose members
// follow each other without gaps), its field numbers, and its group layout for the runtime.
//
//   #define PERSON_FIELDS(FIELD)
//     FIELD(Id, kiv::Long, "ID")
//     FIELD(Name, kiv::String<20>, "NAME")
//   KIV_RECORD(PersonRecord, "PER", PERSON_FIELDS)
//
// gives PersonRecord with members Id and Name, field numbers PersonRecord::Fields::Id (1) and
// ::Name (2), and PersonRecord::layout() describing "PER:ID" and "PER:NAME".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "../kvrun32.h"

namespace kiv {

// Layout bytes from the runtime's layout builder, freed with it.
struct LayoutFree {
  void operator()(uint8_t* bytes) const { Kiv$LayoutFree(bytes); }
};
using Layout = std::unique_ptr<uint8_t, LayoutFree>;

// Builds a group layout with the runtime's layout builder from (type, size, places, label).
class LayoutBuilder {
 public:
  explicit LayoutBuilder(const char* prefix)
      : prefix_(prefix), builder_(Kiv$LayoutBegin((prefix_ + ":RECORD").c_str(), 0)) {}
  LayoutBuilder(const LayoutBuilder&) = delete;
  LayoutBuilder& operator=(const LayoutBuilder&) = delete;
  ~LayoutBuilder() {
    if (builder_) Kiv$LayoutFree(Kiv$LayoutEnd(builder_));
  }
  template <typename T>
  void field(const char* label) {
    std::string name = prefix_ + ":" + label;
    Kiv$LayoutField(builder_, T::typeCode, T::size, name.c_str(), T::places, 0, nullptr);
  }
  Layout finish() { return Layout(Kiv$LayoutEnd(std::exchange(builder_, nullptr))); }

 private:
  std::string prefix_;
  KivLayout* builder_;
};

}  // namespace kiv

#define KIV_FIELD_MEMBER_(name, type, label) type name;
#define KIV_FIELD_NUMBER_(name, type, label) name,
#define KIV_FIELD_LAYOUT_(name, type, label) b.field<type>(label);

// Declares record type `Name` with label prefix `prefix` from the field list macro `FIELDS`.
#define KIV_RECORD(Name, prefix, FIELDS)                                          \
  struct Name {                                                                   \
    static constexpr const char* labelPrefix = prefix;                            \
    FIELDS(KIV_FIELD_MEMBER_)                                                     \
    struct Fields {                                                               \
      enum : int32_t { noField_ = 0, FIELDS(KIV_FIELD_NUMBER_) fieldCount_end_ }; \
    };                                                                            \
    static constexpr int32_t fieldCount = Fields::fieldCount_end_ - 1;            \
    static const uint8_t* layout() {                                              \
      static const kiv::Layout bytes = [] {                                       \
        kiv::LayoutBuilder b(prefix);                                             \
        FIELDS(KIV_FIELD_LAYOUT_)                                                 \
        return b.finish();                                                        \
      }();                                                                        \
      return bytes.get();                                                         \
    }                                                                             \
    /* CLEAR: 0 blank and zero, 1 highest values, -1 lowest values. */            \
    void clear(int32_t sign = 0) { Kiv$CLEAR(this, layout(), sign); }             \
  }
