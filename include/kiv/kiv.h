// The language layer: everything application code is written in.
#pragma once

#include "decimal.h"
#include "error.h"
#include "message.h"
#include "queue.h"
#include "record.h"
#include "string.h"  // kiv/string.h, beside this file
#include "table.h"
#include "values.h"
#include "../kvrun32.h"
