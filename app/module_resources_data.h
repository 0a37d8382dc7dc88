// The program's module resources: icon group 101 (the target) and cursor 102 (the crosshair).
#pragma once

#include "module_resources.h"

// The tables, ready for RegisterModuleResources; they live as long as the program.
const ModuleResources* bosquetirResources();
