#include "app/frame/window_position.h"

#include <string>

#include "include/kiv/ini.h"
#include "include/kiv/window.h"

thread_local kiv::String<128> SettingsFileName("TARROW.INI");

namespace {

int32_t iniNumber(std::string_view section, std::string_view entry, std::string_view file) {
  const std::string value = kiv::getIni(section, entry, "", file);
  kiv::pushText(value);  // the stack refers to `value` until it is popped
  return Kiv$PopLong();
}

}  // namespace

void RestorePosition(std::string_view file, std::string_view section) {
  const int32_t x = iniNumber(section, "XPosit", file);
  if (x == 0) return;
  if (kiv::getNumber(0, kiv::prop::Maximized) == 0) {
    const int32_t y = iniNumber(section, "YPosit", file);
    if (y != 0) {
      if (kiv::getNumber(0, kiv::prop::Resizable) != 0) {
        const int32_t width = iniNumber(section, "Width", file);
        const int32_t height = width != 0 ? iniNumber(section, "Height", file) : 0;
        if (width != 0 && height != 0) Kiv$SETPOSITION(0, x, y, width, height);
      } else {
        Kiv$SETPOSITION(0, x, y, kiv::getNumber(0, kiv::prop::Width),
                        kiv::getNumber(0, kiv::prop::Height));
      }
    }
  }
  const bool maximize = kiv::getIni(section, "Maximize", "", file) == "Yes";
  kiv::setProperty(0, kiv::prop::Maximized, maximize ? 1 : 0);
}

void SavePosition(std::string_view file, std::string_view section) {
  const bool maximized = kiv::getNumber(0, kiv::prop::Maximized) != 0;
  if (maximized) kiv::setProperty(0, kiv::prop::Maximized, 0);
  if (kiv::getNumber(0, kiv::prop::Iconized) != 0) return;
  kiv::putIni(section, "Maximize", maximized ? "Yes" : "No", file);
  kiv::putIni(section, "XPosit", std::to_string(kiv::getNumber(0, kiv::prop::X)), file);
  kiv::putIni(section, "YPosit", std::to_string(kiv::getNumber(0, kiv::prop::Y)), file);
  kiv::putIni(section, "Width", std::to_string(kiv::getNumber(0, kiv::prop::Width)), file);
  kiv::putIni(section, "Height", std::to_string(kiv::getNumber(0, kiv::prop::Height)), file);
}
