// libFuzzer target: any bytes as texkit's command line (arguments split at line ends and nulls),
// run in-process in a temporary folder with a few inputs (tests/support/texkit_command.h). The
// exit status must be 0, 1 or 2, no input the arguments do not name may change, and nothing is
// written outside the folder.
#include "tests/support/texkit_command.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Never destroyed before the clean-up at exit, which removes the folder.
texkit_command::Workspace* workspace() {
    static texkit_command::Workspace* made = [] {
        auto* kept = new texkit_command::Workspace();
        std::atexit([] { delete workspace(); });
        return kept;
    }();
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const texkit_command::Result result = workspace()->run(data, size);
    if (!result.problem.empty()) {
        std::fprintf(stderr, "texkit command line: %s\n", result.problem.c_str());
        std::abort();
    }
    return 0;
}
