// Resources linked into the program by the build (descriptions and images), by type and name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/description.h"

namespace kiv::ui {

struct ResourceBytes {
  const unsigned char* data = nullptr;
  uint32_t size = 0;
  explicit operator bool() const { return data != nullptr; }
};

// Looks a resource up; names compare without regard to case.
ResourceBytes findResource(std::string_view type, std::string_view name);

// The parsed descriptions of a module (from its DABDUMP resource), or nullptr when the program
// has none or its first line names another module.
std::shared_ptr<const ModuleDesc> loadModule(std::string_view module);

// The bytes of an image: "~name.ext" from the resources, a name the image source knows from
// it, any other name from the disk.
std::vector<unsigned char> loadImage(std::string_view fileName);

// Images other parts of the runtime make (the report engine's recorded pages): the source gives
// an image file's bytes for the names it knows and nothing for the others.
using ImageSource = std::function<std::vector<unsigned char>(std::string_view name)>;
void setImageSource(ImageSource source);

}  // namespace kiv::ui
