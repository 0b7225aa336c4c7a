#include "runtime/report/page_record.h"

#include <cstdio>

#include "runtime/report/page_pack.h"

namespace kiv::report {

uint64_t DrawRecord::size() const {
  uint64_t bytes = sizeof(DrawRecord) + text.size() + font.name.size();
  if (!image.isNull()) bytes += static_cast<uint64_t>(image.sizeInBytes());
  return bytes;
}

PageRegistry& PageRegistry::instance() {
  static PageRegistry registry;
  return registry;
}

std::string PageRegistry::nameFor(uint32_t report, int32_t page) {
  char name[40];
  std::snprintf(name, sizeof name, "*REPORT%04u.PAGE%05d", report, page);
  return name;
}

void PageRegistry::add(const std::shared_ptr<const PackedPage>& page) {
  std::lock_guard lock(mutex_);
  pages_[page->name()] = page;
}

void PageRegistry::remove(std::string_view name) {
  std::lock_guard lock(mutex_);
  auto it = pages_.find(name);
  if (it != pages_.end()) pages_.erase(it);
}

PagePtr PageRegistry::find(std::string_view name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
  std::shared_ptr<const PackedPage> packed;
  {
    std::lock_guard lock(mutex_);
    auto it = pages_.find(name);
    if (it == pages_.end()) return nullptr;
    packed = it->second;
  }
  return packed->unpack();
}

}  // namespace kiv::report
