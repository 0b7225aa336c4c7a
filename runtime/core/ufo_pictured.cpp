// Pictured values (kind 29): a LONG-, REAL- or DECIMAL-family value shown through a picture.
// Such a value pushes its formatted text and pops typed text by deformatting it through the
// picture; comparisons, GetLong/GetReal and the decimal stack see the plain value. Assigning a
// string reads it through the picture, so that text a pictured value pushed comes back as the
// value it showed.
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"

namespace {

// Pushes what `fill` writes into the picture's width (the empty text when it did not compile).
template <typename Fill>
void pushFormatted(const UfoPicture& picture, Fill fill) {
  if (!picture.compiled()) return kiv::core::pushCopy({});
  char text[KIV_PICTURE_SIZE];
  fill(picture.compiledPicture(), text);
  kiv::core::pushCopy({text, picture.width()});
}

}  // namespace

UfoPicture::UfoPicture(std::string_view text) : text_(text) {
  int32_t width = text_.empty() ? -1
                                : Kiv$storepict(text_.data(), static_cast<uint32_t>(text_.size()),
                                                buffer_.data());
  width_ = width > 0 ? static_cast<uint32_t>(width) : 0;
}

std::string UfoPicture::deformat(std::string_view typed) const {
  if (!compiled()) return {};
  return Kiv$deformatpict(buffer_.data(), typed.data(), static_cast<uint32_t>(typed.size()));
}

void UfoPicture::deformatTop() const {
  std::string typed = kiv::core::popText();
  kiv::core::pushCopy(deformat(typed));
}

// ---------------------------------------------------------------------------------------------
// Pictured LONG.

void PictureUfoL::PushValue() {
  int32_t value = GetLong();
  pushFormatted(picture_, [value](const void* p, char* out) { Kiv$pictstorelong(p, value, out); });
}

Ufo* PictureUfoL::Duplicate(bool ownCopy) {
  return new PictureUfoL(type_, addr_, picture_, ownCopy);
}

// ---------------------------------------------------------------------------------------------
// Pictured REAL.

void PictureUfoS::PushValue() {
  double value = GetReal();
  pushFormatted(picture_, [value](const void* p, char* out) { Kiv$pictstorereal(p, value, out); });
}

Ufo* PictureUfoS::Duplicate(bool ownCopy) {
  return new PictureUfoS(type_, addr_, picture_, ownCopy);
}

// ---------------------------------------------------------------------------------------------
// Pictured DECIMAL: formatted from its exact text, never through a double.

void PictureUfoD::PushValue() {
  PushDecimal();
  Kiv$DStack2Stack();
  std::string value = kiv::core::popText();
  pushFormatted(picture_, [&value](const void* p, char* out) {
    Kiv$formatpict(p, value.data(), static_cast<uint32_t>(value.size()), out);
  });
}

Ufo* PictureUfoD::Duplicate(bool ownCopy) {
  return new PictureUfoD(type_, addr_, size_, places_, picture_, ownCopy);
}

// ---------------------------------------------------------------------------------------------

namespace kiv::core {

Ufo* makePicturedUfo(void* addr, int32_t type, uint32_t size, uint32_t places,
                     std::string_view picture, bool ownCopy) {
  switch (type) {
    case KIV_BYTE:
    case KIV_SHORT:
    case KIV_USHORT:
    case KIV_DATE:
    case KIV_TIME:
    case KIV_LONG:
      return new PictureUfoL(static_cast<uint8_t>(type), addr, UfoPicture(picture), ownCopy);
    case KIV_SREAL:
    case KIV_REAL:
    case KIV_BFLOAT4:
    case KIV_BFLOAT8:
      return new PictureUfoS(static_cast<uint8_t>(type), addr, UfoPicture(picture), ownCopy);
    case KIV_DECIMAL:
    case KIV_PDECIMAL:
      return new PictureUfoD(static_cast<uint8_t>(type), addr, size, places, UfoPicture(picture),
                             ownCopy);
    default:
      return nullptr;
  }
}

}  // namespace kiv::core
