#include "app/tables/globals.h"

int32_t GlobalRequest = 0;
int32_t GlobalResponse = 0;
kiv::String<20> GloCategory;
