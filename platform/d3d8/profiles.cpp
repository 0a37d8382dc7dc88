// Capability profiles by name: parsing "pow2,nomip" lists and choosing the profile of new
// Direct3D objects (set explicitly, or from D3D8_PROFILE).
#include "d3d8/profiles.h"

#include "platform_ext.h"

#include <cstdlib>
#include <cstring>

namespace {

struct ProfileName {
    const char* name;
    uint32_t flag;
};

constexpr ProfileName ProfileNameTable[] = {
    {"default", 0},
    {"pow2", platform_ext::ProfilePow2},
    {"square", platform_ext::ProfileSquare},
    {"nomip", platform_ext::ProfileNoMip},
    {"pow2cond", platform_ext::ProfilePow2Cond},
    {"small", platform_ext::ProfileSmall},
    {"noblend", platform_ext::ProfileNoBlend},
    {"untransformed", platform_ext::ProfileUntransformed},
    {"nodynamic", platform_ext::ProfileNoDynamic},
    {"fewformats", platform_ext::ProfileFewFormats},
    {"desktop16", platform_ext::ProfileDesktop16},
};
static_assert(sizeof(ProfileNameTable) / sizeof(ProfileNameTable[0]) == 11);

bool explicitProfileSet = false;
uint32_t explicitProfile = 0;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

namespace platform_ext {

bool parseDeviceProfile(const char* names, uint32_t* flags, std::string* unknownName) {
    uint32_t result = 0;
    const char* cursor = names != nullptr ? names : "";
    while (*cursor != '\0') {
        const char* end = std::strchr(cursor, ',');
        if (end == nullptr)
            end = cursor + std::strlen(cursor);
        const char* first = cursor;
        const char* last = end;
        while (first < last && isBlank(*first))
            ++first;
        while (last > first && isBlank(last[-1]))
            --last;
        if (first != last) {
            const size_t length = size_t(last - first);
            const ProfileName* match = nullptr;
            for (const ProfileName& entry : ProfileNameTable)
                if (std::strlen(entry.name) == length &&
                    std::strncmp(entry.name, first, length) == 0)
                    match = &entry;
            if (match == nullptr) {
                if (unknownName != nullptr)
                    unknownName->assign(first, length);
                return false;
            }
            result |= match->flag;
        }
        cursor = *end == ',' ? end + 1 : end;
    }
    if (flags != nullptr)
        *flags = result;
    return true;
}

void setDeviceProfile(uint32_t flags) {
    explicitProfileSet = true;
    explicitProfile = flags;
}

void resetDeviceProfile() {
    explicitProfileSet = false;
    explicitProfile = 0;
}

} // namespace platform_ext

namespace d3d8 {

bool chooseDeviceProfile(uint32_t* flags, std::string* unknownName) {
    if (explicitProfileSet) {
        *flags = explicitProfile;
        return true;
    }
    return platform_ext::parseDeviceProfile(std::getenv("D3D8_PROFILE"), flags, unknownName);
}

} // namespace d3d8
