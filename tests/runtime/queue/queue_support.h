// A queue over a layout built by declaration calls, with its record buffer and field setters.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"

namespace qtest {

struct FieldSpec {
  int32_t type;
  uint32_t size;
  const char* name;
  uint32_t places = 0;
};

class TestQueue {
 public:
  explicit TestQueue(const std::vector<FieldSpec>& fields) {
    CLASS_DESCRIPTOR build;
    build.SETUP("Q");
    for (const FieldSpec& f : fields)
      build.ADDFIELD(f.type, f.size, f.name, 0, nullptr, nullptr, f.places);
    layout_ = build.ENDDECLARATION();
    description_ = std::make_unique<class_descriptor>(layout_.data());
    buffer_.assign(description_->RecordSize(), 0);
    queue_ = {buffer_.data(), nullptr, layout_.data()};
  }
  ~TestQueue() { Kiv$FREEqueue(&queue_); }

  KivQueue* q() { return &queue_; }
  uint8_t* field(uint32_t n) { return buffer_.data() + description_->FieldDesc(n).offset; }

  void setLong(uint32_t n, int32_t v) { std::memcpy(field(n), &v, 4); }
  int32_t getLong(uint32_t n) {
    int32_t v;
    std::memcpy(&v, field(n), 4);
    return v;
  }
  void setText(uint32_t n, const std::string& text) {
    Kiv$storestr(reinterpret_cast<char*>(field(n)), description_->FieldDesc(n).size, text.data(),
                 int32_t(text.size()));
  }
  std::string getText(uint32_t n) {
    std::string s(reinterpret_cast<char*>(field(n)), description_->FieldDesc(n).size);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
  // Any field through its descriptor, as a real.
  void setReal(uint32_t n, double v) {
    Ufo* u = description_->FieldUfo(buffer_.data(), n);
    Kiv$AssignReal2Ufo(u, v);
    Kiv$FreeUfo(u);
  }
  double getReal(uint32_t n) {
    Ufo* u = description_->FieldUfo(buffer_.data(), n);
    double v = Kiv$Ufo2Real(u);
    Kiv$FreeUfo(u);
    return v;
  }

  void add() { Kiv$ADDqueue(&queue_); }
  void get(int32_t position) { Kiv$GETqueueptr(&queue_, position); }
  int32_t records() { return Kiv$RECORDSqueue(&queue_); }
  int32_t pointer() { return Kiv$POINTERqueue(&queue_); }
  void pushText(const std::string& text) {
    Kiv$PushString(text.data(), uint32_t(text.size()));
    Kiv$StackHeap();
  }

 private:
  std::vector<uint8_t> layout_;
  std::unique_ptr<class_descriptor> description_;
  std::vector<uint8_t> buffer_;
  KivQueue queue_;
};

}  // namespace qtest
