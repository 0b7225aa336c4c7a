// QUEUE declarations: a record type of KIV_RECORD kept as a list of entries.
//
//   kiv::Queue<FileEntry> FileList;
//   FileList.rec.Size = 12;  FileList.add();
//   FileList.sort({FileEntry::Fields::Size, -FileEntry::Fields::ShortName});
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "../kvrun32.h"

namespace kiv {

template <typename Record>
class Queue {
 public:
  Queue() { rec.clear(); }
  ~Queue() { free(); }
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  Record rec;

  // ADD(queue), ADD(queue, position), ADD(queue, key fields).
  void add() { Kiv$ADDqueue(&q_); }
  void add(int32_t position) { Kiv$ADDqueueptr(&q_, position); }
  void addBy(std::initializer_list<int32_t> fields) { Kiv$ADDqueuekey(&q_, keyList(fields)); }
  // GET(queue, position) and GET(queue, key fields).
  void get(int32_t position) { Kiv$GETqueueptr(&q_, position); }
  void getBy(std::initializer_list<int32_t> fields) { Kiv$GETqueuekey(&q_, keyList(fields)); }
  void put() { Kiv$PUTqueue(&q_); }
  void erase() { Kiv$DELETEqueue(&q_); }
  // SORT(queue, fields): negative field numbers sort descending.
  void sort(std::initializer_list<int32_t> fields) { Kiv$SORTqueuekey(&q_, keyList(fields)); }
  int32_t records() { return Kiv$RECORDSqueue(&q_); }
  int32_t pointer() { return Kiv$POINTERqueue(&q_); }
  void free() { Kiv$FREEqueue(&q_); }
  // The queue as the runtime sees it (a list control shows it, Kiv$SetPropQ).
  KivQueue* desc() { return &q_; }

 private:
  const int32_t* keyList(std::initializer_list<int32_t> fields) {
    key_.assign(fields);
    key_.push_back(0);
    return key_.data();
  }

  KivQueue q_{&rec, nullptr, Record::layout()};
  std::vector<int32_t> key_;
};

}  // namespace kiv
