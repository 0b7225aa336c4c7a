// The language layer: everything application code is written in.
#pragma once

#include "include/kiv/decimal.h"
#include "include/kiv/error.h"
#include "include/kiv/message.h"
#include "include/kiv/queue.h"
#include "include/kiv/record.h"
#include "include/kiv/string.h"
#include "include/kiv/table.h"
#include "include/kiv/values.h"
#include "include/kvrun32.h"
