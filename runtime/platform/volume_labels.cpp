#include "runtime/platform/volume_labels.h"

#include <cerrno>

#include "runtime/env/ini_file.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/settings_dir.h"

namespace kiv::platform {
namespace {

constexpr std::string_view kSection = "Volume Labels";

}  // namespace

std::string volumeIdentity(std::string_view folder, bool wholeVolume, std::string_view uuid) {
  if (wholeVolume && !uuid.empty()) return "UUID:" + std::string(uuid);
  return "DIR:" + std::string(folder);
}

std::optional<std::string> keptVolumeLabel(std::string_view identity) {
  return kiv::env::readIniFile(mainSettingsFile()).value(kSection, identity);
}

bool keepVolumeLabel(std::string_view identity, std::string_view label) {
  if (!kiv::env::isWritableEntry(kSection, identity, label)) {
    recordHostError(EINVAL);
    return false;
  }
  if (!ensureWindowsDirectory() ||
      !kiv::env::updateIniFile(mainSettingsFile(), [&](kiv::env::IniDocument& ini) {
        return ini.setValue(kSection, identity, label);
      })) {
    recordHostError(errno);
    return false;
  }
  return true;
}

}  // namespace kiv::platform
