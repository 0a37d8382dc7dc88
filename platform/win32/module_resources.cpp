// The program module's resource table: icon groups and monochrome cursors by number.
//
// Implements: RegisterModuleResources, LoadIconA and LoadCursorA for the program's module
// (GetModuleHandleA(NULL)) by MAKEINTRESOURCE number or "#number"; a resource loads as one
// shared handle, as the platform's shared icons do. A missing or malformed resource gives null
// with ERROR_RESOURCE_NAME_NOT_FOUND.
// Does not: the system's own icons and cursors (a null instance, IDI_APPLICATION, IDC_ARROW),
// resources of other modules or resources named by strings; they are not found.
#include "win32/user_images.h"

#include "win32/handle_table.h"

#include <cstdlib>
#include <map>

namespace {

constexpr int LargestImage = 256;

struct UserImage {
    const IconGroupResource* iconGroup = nullptr;
    const CursorResource* cursor = nullptr;
};

struct Resources {
    const ModuleResources* table = nullptr;
    win32::HandleTable<UserImage> handles{0x4};
    std::map<const void*, uintptr_t> shared; // resource -> its handle
};

Resources& resources() {
    static Resources instance;
    return instance;
}

// The number a resource name stands for; -1 for a name that is not a number.
long resourceNumber(LPCSTR name) {
    if (name == nullptr)
        return -1;
    if (IS_INTRESOURCE(name))
        return long(reinterpret_cast<uintptr_t>(name));
    if (name[0] != '#' || name[1] == '\0')
        return -1;
    char* end = nullptr;
    const long number = std::strtol(name + 1, &end, 10);
    return *end == '\0' && number >= 0 && number <= 0xFFFF ? number : -1;
}

bool sizeIsUsable(int width, int height) {
    return width > 0 && height > 0 && width <= LargestImage && height <= LargestImage &&
           width % 8 == 0;
}

bool iconImageIsUsable(const IconImageResource& image) {
    return sizeIsUsable(image.width, image.height) && image.colorCount > 0 &&
           image.colorCount <= 256 && image.palette && image.indices && image.andMask;
}

bool cursorIsUsable(const CursorResource& cursor) {
    return sizeIsUsable(cursor.width, cursor.height) && cursor.andMask && cursor.xorMask &&
           cursor.hotSpotX >= 0 && cursor.hotSpotX < cursor.width && cursor.hotSpotY >= 0 &&
           cursor.hotSpotY < cursor.height;
}

// The image the host should show: the largest, then the one with the most colours.
const IconImageResource* bestImageOfGroup(const IconGroupResource& group) {
    const IconImageResource* best = nullptr;
    for (int i = 0; i < group.imageCount && group.images != nullptr; ++i) {
        const IconImageResource& candidate = group.images[i];
        if (!iconImageIsUsable(candidate))
            continue;
        const long area = long(candidate.width) * candidate.height;
        const long bestArea = best != nullptr ? long(best->width) * best->height : 0;
        if (area > bestArea || (area == bestArea && candidate.colorCount > best->colorCount))
            best = &candidate;
    }
    return best;
}

// The one handle of a resource, made at its first load.
HANDLE sharedHandle(const void* resource, UserImage image) {
    Resources& all = resources();
    const auto known = all.shared.find(resource);
    if (known != all.shared.end())
        return reinterpret_cast<HANDLE>(known->second);
    const uintptr_t handle =
        all.handles.insert(std::unique_ptr<UserImage>(new (std::nothrow) UserImage(image)));
    if (handle == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    all.shared.emplace(resource, handle);
    return reinterpret_cast<HANDLE>(handle);
}

bool fromProgramModule(HINSTANCE instance) {
    return instance != nullptr && instance == GetModuleHandleA(nullptr) &&
           resources().table != nullptr;
}

HANDLE notFound() {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

} // namespace

namespace win32 {

const IconImageResource* bestIconImage(HICON icon) {
    const UserImage* image = resources().handles.find(icon);
    return image != nullptr && image->iconGroup != nullptr ? bestImageOfGroup(*image->iconGroup)
                                                           : nullptr;
}

const CursorResource* cursorOf(HCURSOR cursor) {
    const UserImage* image = resources().handles.find(cursor);
    return image != nullptr ? image->cursor : nullptr;
}

bool iconPixels(const IconImageResource& image, std::vector<uint32_t>* argb) {
    if (!iconImageIsUsable(image))
        return false;
    const size_t width = size_t(image.width);
    const size_t maskPitch = width / 8;
    argb->assign(width * size_t(image.height), 0);
    for (size_t y = 0; y < size_t(image.height); ++y) {
        for (size_t x = 0; x < width; ++x) {
            const BYTE index = image.indices[y * width + x];
            if (index >= image.colorCount)
                return false;
            const bool transparent = (image.andMask[y * maskPitch + x / 8] >> (7 - x % 8)) & 1;
            if (!transparent)
                (*argb)[y * width + x] = 0xFF000000u | (image.palette[index] & 0x00FFFFFFu);
        }
    }
    return true;
}

} // namespace win32

void RegisterModuleResources(const ModuleResources* resourceTable) {
    resources().table = resourceTable;
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    const long number = resourceNumber(lpIconName);
    if (!fromProgramModule(hInstance) || number < 0)
        return static_cast<HICON>(notFound());
    const ModuleResources& table = *resources().table;
    for (int i = 0; i < table.iconGroupCount && table.iconGroups != nullptr; ++i) {
        const IconGroupResource& group = table.iconGroups[i];
        if (group.id != number)
            continue;
        if (bestImageOfGroup(group) == nullptr)
            return static_cast<HICON>(notFound());
        return static_cast<HICON>(sharedHandle(&group, UserImage{&group, nullptr}));
    }
    return static_cast<HICON>(notFound());
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    const long number = resourceNumber(lpCursorName);
    if (!fromProgramModule(hInstance) || number < 0)
        return static_cast<HCURSOR>(notFound());
    const ModuleResources& table = *resources().table;
    for (int i = 0; i < table.cursorCount && table.cursors != nullptr; ++i) {
        const CursorResource& cursor = table.cursors[i];
        if (cursor.id != number)
            continue;
        if (!cursorIsUsable(cursor))
            return static_cast<HCURSOR>(notFound());
        return static_cast<HCURSOR>(sharedHandle(&cursor, UserImage{nullptr, &cursor}));
    }
    return static_cast<HCURSOR>(notFound());
}
