// The workspace: a folder under the system's temporary folder with a bitmap, a Targa file, a
// folder holding another bitmap and a file that is no picture. A run happens with the folder as
// the working directory and standard output and error pointing at /dev/null.
#include "tests/support/texkit_command.h"

#include "platform_ext.h"
#include "tests/support/container_files.h"
#include "tools/texkit/verbs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace texkit_command {

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxArguments = 24;

std::vector<uint8_t> ramp(size_t count, uint8_t step) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(i * step + 11);
    return bytes;
}

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(stream)),
                                std::istreambuf_iterator<char>());
}

// Points a standard stream at /dev/null until destroyed.
class Silence {
public:
    explicit Silence(int stream) : stream_(stream) {
        std::fflush(stream == 1 ? stdout : stderr);
        saved_ = dup(stream);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, stream);
        close(null);
    }
    ~Silence() {
        std::fflush(stream_ == 1 ? stdout : stderr);
        dup2(saved_, stream_);
        close(saved_);
    }

private:
    int stream_, saved_;
};

} // namespace

std::vector<std::string> argumentsOf(const uint8_t* bytes, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size && arguments.size() <= MaxArguments; ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\0')
            arguments.emplace_back();
        else
            arguments.back() += char(bytes[i]);
    }
    if (arguments.size() > MaxArguments)
        arguments.resize(MaxArguments);
    for (std::string& argument : arguments) {
        // "--out=/x" and "/x" alike: no slash right after '=' or at the start.
        for (size_t at = argument.find("=/"); at != std::string::npos; at = argument.find("=/"))
            argument.erase(at + 1, 1);
        while (!argument.empty() && argument[0] == '/')
            argument.erase(0, 1);
        for (size_t at = argument.find(".."); at != std::string::npos; at = argument.find(".."))
            argument.replace(at, 2, "__");
    }
    return arguments;
}

Workspace::Workspace() {
    std::string pattern = (fs::temp_directory_path() / "fuzz_texkit_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    folder_ = pattern;
    test_support::BitmapRecipe bitmap;
    bitmap.width = 6;
    bitmap.height = 5;
    bitmap.bitCount = 24;
    bitmap.pixels = ramp(size_t((6 * 24 + 31) / 32 * 4) * 5, 37);
    test_support::TargaRecipe targa;
    targa.width = 4;
    targa.height = 2;
    targa.pixelBits = 32;
    targa.imageType = 2;
    targa.descriptor = 0x28;
    targa.pixels = ramp(4 * 2 * 4, 53);
    inputs_ = {{"in.bmp", test_support::makeBmp(bitmap)},
               {"in.tga", test_support::makeTga(targa)},
               {"pics/a.bmp", test_support::makeBmp(bitmap)},
               {"note.txt", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}}};
    fs::create_directories(fs::path(folder_) / "pics");
    for (const auto& [name, bytes] : inputs_)
        std::ofstream(fs::path(folder_) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Workspace::~Workspace() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

Result Workspace::run(const uint8_t* bytes, size_t size) {
    const std::vector<std::string> arguments = argumentsOf(bytes, size);
    Result result;
    const fs::path before = fs::current_path();
    fs::current_path(folder_);
    {
        Silence out(1), err(2);
        result.status = runTexkit("texkit", arguments);
    }
    fs::current_path(before);
    // What a verb may have set for the process goes back to its default.
    platform_ext::resetDeviceProfile();
    if (result.status < 0 || result.status > 2)
        result.problem = "exit status " + std::to_string(result.status);
    // An input the command line names may be written over (texkit sheet in.tga --output
    // in.bmp); one it does not name must not change. Either way it is put back.
    for (const auto& input : inputs_) {
        const std::string& name = input.first;
        const std::vector<uint8_t>& kept = input.second;
        if (readAll(fs::path(folder_) / name) == kept)
            continue;
        const std::string file = fs::path(name).filename().string();
        const bool named =
            std::any_of(arguments.begin(), arguments.end(), [&](const std::string& a) {
                return a.find(file) != std::string::npos ||
                       (name != file && a.find("pics") != std::string::npos);
            });
        if (!named)
            result.problem += (result.problem.empty() ? "" : "; ") + name + " was changed";
        std::error_code ignored;
        fs::remove_all(fs::path(folder_) / name, ignored);
        fs::create_directories((fs::path(folder_) / name).parent_path(), ignored);
        std::ofstream(fs::path(folder_) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(kept.data()), std::streamsize(kept.size()));
    }
    std::vector<fs::path> made;
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
        const std::string name = fs::relative(entry.path(), folder_).string();
        const bool input =
            name == "pics" || std::any_of(inputs_.begin(), inputs_.end(),
                                          [&](const auto& in) { return in.first == name; });
        if (!input)
            made.push_back(entry.path());
    }
    for (const fs::path& path : made)
        result.made.push_back(fs::relative(path, folder_).string());
    std::sort(result.made.begin(), result.made.end());
    std::error_code ignored;
    for (const fs::path& path : made)
        fs::remove_all(path, ignored);
    return result;
}

} // namespace texkit_command
