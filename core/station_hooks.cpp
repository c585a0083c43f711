#include "core/station_hooks.h"

StationHooks stationHooks;
