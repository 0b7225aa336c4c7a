// Running a program: the calling thread (the process's main thread) becomes the GUI thread and
// serves the window system while `program` runs as runtime thread 1 (slot 0) holding the
// runtime lock. Returns when `program` has returned.
#pragma once

#include <functional>

namespace kiv::ui {

void runProgram(const std::function<void()>& program);

}  // namespace kiv::ui
