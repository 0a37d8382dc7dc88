// Makes the icon and the crosshair cursor the resources of the program's module before WinMain
// runs, so that LoadIconA and LoadCursorA find them.
#include "app/module_resources_data.h"

namespace {

const bool resourcesRegistered = [] {
    RegisterModuleResources(bosquetirResources());
    return true;
}();

} // namespace
