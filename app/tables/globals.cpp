#include "app/tables/globals.h"

kiv::Byte GlobalRequest;
kiv::Byte GlobalResponse;
kiv::String<20> GloCategory;
