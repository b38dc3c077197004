#include <iostream>

#include "Command.h"

namespace keynodectl {

int runInit(const keynode::DataDir& dir, const Args& args) {
    if (!args.empty()) throw UsageError("init takes no arguments");
    bool existed = dir.exists();
    dir.open(true);
    std::cout << (existed ? "database up to date in " : "initialised ") << dir.path() << "\n";
    return 0;
}

} // namespace keynodectl
