// The rows of a list control that shows a queue: each entry's fields as texts.
#pragma once

#include <memory>

#include "include/kvrun32/queue.h"
#include "runtime/ui/control.h"

namespace kiv::ui {

std::unique_ptr<ListSource> queueListSource(KivQueue* queue);

}  // namespace kiv::ui
