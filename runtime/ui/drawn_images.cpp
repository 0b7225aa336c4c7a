#include "runtime/ui/drawn_images.h"

#include <mutex>

namespace kiv::ui {
namespace {

struct Source {
  std::mutex mutex;
  DrawnImageSource source;
};

Source& source() {
  static Source* s = new Source;
  return *s;
}

}  // namespace

void setDrawnImageSource(DrawnImageSource s) {
  std::lock_guard lock(source().mutex);
  source().source = std::move(s);
}

std::optional<DrawnImage> drawnImage(std::string_view name) {
  DrawnImageSource s;
  {
    std::lock_guard lock(source().mutex);
    s = source().source;
  }
  if (!s || name.empty()) return std::nullopt;
  return s(name);
}

}  // namespace kiv::ui
