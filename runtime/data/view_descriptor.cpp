// Reads a view's structure description into its nested components.
#include "runtime/data/view_descriptor.h"

#include <cstring>

namespace {

bool readU16(const uint8_t* p, size_t limit, size_t& at, uint16_t& v) {
  if (at + 2 > limit) return false;
  v = static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
  at += 2;
  return true;
}

}  // namespace

VIEW_DESCRIPTOR::VIEW_DESCRIPTOR(const uint8_t* stored, size_t limit) {
  valid_ = stored && parse(stored, limit);
}

VIEW_DESCRIPTOR::VIEW_DESCRIPTOR() : buffer_(kRuntimeBuffer, 0), runtime_(true) {
  valid_ = parse(buffer_.data(), buffer_.size());
}

bool VIEW_DESCRIPTOR::parse(const uint8_t* p, size_t limit) {
  nodes_.clear();
  size_t at = 0;
  if (!parseNode(p, limit, at, 1)) {
    nodes_.clear();
    return false;
  }
  // The primary has no link to a parent.
  return nodes_[0].links == 0;
}

bool VIEW_DESCRIPTOR::parseNode(const uint8_t* p, size_t limit, size_t& at, int depth) {
  if (depth > kMaxDepth || at >= limit) return false;
  size_t self = nodes_.size();
  nodes_.emplace_back();
  Node node;
  node.links = static_cast<int8_t>(p[at++]);
  if (node.links > 0) {
    for (int i = 0; i < node.links; ++i) {
      uint16_t f;
      if (!readU16(p, limit, at, f)) return false;
      node.linkFields.push_back(f);
    }
  } else if (node.links == -1) {
    const void* end = std::memchr(p + at, 0, limit - at);
    if (!end) return false;
    size_t len = static_cast<size_t>(static_cast<const uint8_t*>(end) - (p + at));
    node.condition.assign(reinterpret_cast<const char*>(p + at), len);
    node.hasCondition = true;
    at += len + 1;
  } else if (node.links < -1) {
    return false;
  }
  if (!readU16(p, limit, at, node.fieldCount)) return false;
  if (node.fieldCount != kAll) {
    for (uint16_t i = 0; i < node.fieldCount; ++i) {
      Entry e;
      if (!readU16(p, limit, at, e.field)) return false;
      if (e.field == kAll && !readU16(p, limit, at, e.memo)) return false;
      node.fields.push_back(e);
    }
  }
  if (at >= limit) return false;
  uint8_t joins = p[at++];
  nodes_[self] = std::move(node);
  for (uint8_t j = 0; j < joins; ++j) {
    size_t child = nodes_.size();
    if (!parseNode(p, limit, at, depth + 1)) return false;
    if (nodes_[child].links == 0) return false;  // a join must be linked somehow
    nodes_[self].joins.push_back(child);
  }
  return true;
}

uint16_t VIEW_DESCRIPTOR::COMPONENTS() const {
  const Node& n = nodes_[current()];
  return n.links < 0 ? kAll : static_cast<uint16_t>(n.links);
}

uint16_t VIEW_DESCRIPTOR::COMPONENT(uint16_t n) const {
  const Node& node = nodes_[current()];
  return n >= 1 && n <= node.linkFields.size() ? node.linkFields[n - 1] : 0;
}

const char* VIEW_DESCRIPTOR::CONDITION() const {
  const Node& n = nodes_[current()];
  return n.hasCondition ? n.condition.c_str() : nullptr;
}

uint16_t VIEW_DESCRIPTOR::FIELDS() const { return nodes_[current()].fieldCount; }

uint16_t VIEW_DESCRIPTOR::FIELD(uint16_t n) const {
  const Node& node = nodes_[current()];
  return n >= 1 && n <= node.fields.size() ? node.fields[n - 1].field : 0;
}

uint16_t VIEW_DESCRIPTOR::MEMO(uint16_t n) const {
  const Node& node = nodes_[current()];
  return n >= 1 && n <= node.fields.size() ? node.fields[n - 1].memo : 0;
}

uint8_t VIEW_DESCRIPTOR::JOINS() const {
  return static_cast<uint8_t>(nodes_[current()].joins.size());
}

bool VIEW_DESCRIPTOR::SET_JOIN(uint16_t n) {
  const Node& node = nodes_[current()];
  if (n < 1 || n > node.joins.size()) return false;
  path_.push_back(node.joins[n - 1]);
  return true;
}

bool VIEW_DESCRIPTOR::UNSET_JOIN() {
  if (path_.size() <= 1) return false;
  path_.pop_back();
  return true;
}
