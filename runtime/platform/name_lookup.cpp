#include "runtime/platform/name_lookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <list>
#include <mutex>
#include <unordered_map>

namespace kiv::platform {
namespace {

// One folder's names by their upper-case form.
struct Listing {
  std::string folder;
  ino_t inode = 0;
  dev_t device = 0;
  timespec modified{};
  std::unordered_map<std::string, std::string> byUpper;
};

constexpr size_t kListingsKept = 8;

std::mutex gMutex;
std::list<Listing> gListings;  // most recently used first

bool sameStamp(const Listing& l, const struct stat& st) {
  return l.inode == st.st_ino && l.device == st.st_dev && l.modified.tv_sec == st.st_mtim.tv_sec &&
         l.modified.tv_nsec == st.st_mtim.tv_nsec;
}

bool readListing(const std::string& folder, const struct stat& st, Listing* listing) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  listing->folder = folder;
  listing->inode = st.st_ino;
  listing->device = st.st_dev;
  listing->modified = st.st_mtim;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    auto [it, added] = listing->byUpper.emplace(upperAscii(name), name);
    if (!added && name < it->second) it->second = name;
  }
  closedir(dir);
  return true;
}

}  // namespace

std::string upperAscii(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

std::optional<std::string> findNameCaseBlind(const std::string& folder, std::string_view name) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  std::string key = upperAscii(name);
  std::lock_guard lock(gMutex);
  for (auto it = gListings.begin(); it != gListings.end(); ++it) {
    if (it->folder != folder) continue;
    // A miss is read again: a name added within the clock tick of the listing leaves the
    // folder's modification time unchanged.
    if (sameStamp(*it, st)) {
      auto found = it->byUpper.find(key);
      if (found != it->byUpper.end()) {
        gListings.splice(gListings.begin(), gListings, it);
        return found->second;
      }
    }
    gListings.erase(it);
    break;
  }
  Listing listing;
  if (!readListing(folder, st, &listing)) return std::nullopt;
  gListings.push_front(std::move(listing));
  if (gListings.size() > kListingsKept) gListings.pop_back();
  auto found = gListings.front().byUpper.find(key);
  if (found == gListings.front().byUpper.end()) return std::nullopt;
  return found->second;
}

}  // namespace kiv::platform
