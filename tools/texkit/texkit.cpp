// texkit: the texture tool, one program with verbs. Called as texinfo (its old name, a link to
// the same program) it is `texkit info`.
#include "tools/texkit/verbs.h"

#include <vector>

int main(int argc, char** argv) {
    return runTexkit(argc > 0 ? argv[0] : nullptr, std::vector<std::string>(argv + 1, argv + argc));
}
