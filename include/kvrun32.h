/* The exported C interface of the kvrun32 runtime library. */
#ifndef KVRUN32_H
#define KVRUN32_H

#include "kvrun32/types.h"
#include "kvrun32/core.h"
#include "kvrun32/ufo.h"
#include "kvrun32/strstack.h"
#include "kvrun32/decimal.h"
#include "kvrun32/picture.h"
#include "kvrun32/datetime.h"
#include "kvrun32/locale.h"
#include "kvrun32/file.h"
#include "kvrun32/drivers.h"
#include "kvrun32/view.h"
#include "kvrun32/expr.h"
#include "kvrun32/queue.h"
#include "kvrun32/window.h"
#include "kvrun32/control.h"
#include "kvrun32/report.h"
#include "kvrun32/ini.h"
#include "kvrun32/env.h"
#include "kvrun32/platform.h"

#endif
