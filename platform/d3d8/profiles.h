// The capability profile a new Direct3D object takes: the one set through platform_ext.h, or
// else the names in the environment variable D3D8_PROFILE.
#pragma once

#include <cstdint>
#include <string>

namespace d3d8 {

// False, with the offending name, when D3D8_PROFILE holds a name that is not a profile.
bool chooseDeviceProfile(uint32_t* flags, std::string* unknownName);

} // namespace d3d8
