#include "runtime/ui/resources.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "include/kvrun32.h"

namespace kiv::ui {
namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

struct Registry {
  std::mutex mutex;  // registration runs in static initialisers, lookups on any thread
  std::map<std::string, ResourceBytes> resources;  // "TYPE/NAME"
  std::map<std::string, std::shared_ptr<const ModuleDesc>> modules;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

ResourceBytes findResource(std::string_view type, std::string_view name) {
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  auto it = r.resources.find(upper(type) + "/" + upper(name));
  return it == r.resources.end() ? ResourceBytes{} : it->second;
}

std::shared_ptr<const ModuleDesc> loadModule(std::string_view module) {
  std::string key(module);
  {
    Registry& r = registry();
    std::lock_guard guard(r.mutex);
    auto it = r.modules.find(key);
    if (it != r.modules.end()) return it->second;
  }
  ResourceBytes bytes = findResource("DABDUMP", resourceNameForModule(module));
  if (!bytes) return nullptr;
  ParseError error;
  auto parsed = parseDescription(
      std::string_view(reinterpret_cast<const char*>(bytes.data), bytes.size), error);
  if (!parsed || parsed->module != module) return nullptr;
  auto shared = std::make_shared<const ModuleDesc>(std::move(*parsed));
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  return r.modules.emplace(key, shared).first->second;
}

// A function-local object: the report engine installs its source during the library's start-up.
ImageSource& imageSource() {
  static ImageSource source;
  return source;
}

void setImageSource(ImageSource source) { imageSource() = std::move(source); }

std::vector<unsigned char> loadImage(std::string_view fileName) {
  if (fileName.empty()) return {};
  if (imageSource()) {
    std::vector<unsigned char> made = imageSource()(fileName);
    if (!made.empty()) return made;
  }
  if (fileName[0] == '~') {
    ResourceBytes bytes = findResource("IMAGE", resourceNameForImage(fileName));
    if (!bytes) return {};
    return {bytes.data, bytes.data + bytes.size};
  }
  std::ifstream in{std::string(fileName), std::ios::binary};
  if (!in) {
    // A plain name without its file: the program's own image of that name, if it has one.
    if (fileName.find_first_of("/\\") != std::string_view::npos) return {};
    return loadImage("~" + std::string(fileName));
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kiv::ui

extern "C" void Wsl$AddResource(const char* type, const char* name, const void* data,
                                uint32_t size) {
  if (!type || !name || !data) return;
  auto& r = kiv::ui::registry();
  std::lock_guard guard(r.mutex);
  r.resources[kiv::ui::upper(type) + "/" + kiv::ui::upper(name)] = {
      static_cast<const unsigned char*>(data), size};
}
