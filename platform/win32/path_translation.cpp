// File-name translation between the program and the host.
#include "win32/path_translation.h"

#include "win32/code_pages.h"

#include <cctype>

namespace win32 {

bool hostPathFromAnsi(const char* name, std::string* hostPath) {
    if (name == nullptr || name[0] == '\0')
        return false;
    const std::string_view text(name);
    if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':')
        return false;
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\')
        return false;
    std::string path = utf8FromAnsi(text);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    *hostPath = std::move(path);
    return true;
}

std::string ansiFromHostPath(const std::string& hostPath) {
    return ansiFromUtf8(hostPath);
}

} // namespace win32
