#include "Config/TCHostPaths.h"

#include <mutex>
#include <shared_mutex>

namespace {

struct RootState {
    std::shared_mutex Mutex;
    std::string Root;
};

RootState& State() {
    static RootState state;
    return state;
}

} // namespace

void TCHostPaths::SetRoot(const std::string& root) {
    std::string trimmed = root;
    while (!trimmed.empty() && trimmed.back() == '/')
        trimmed.pop_back();
    RootState& state = State();
    std::unique_lock<std::shared_mutex> lock(state.Mutex);
    state.Root = std::move(trimmed);
}

std::string TCHostPaths::GetRoot() {
    RootState& state = State();
    std::shared_lock<std::shared_mutex> lock(state.Mutex);
    return state.Root;
}

std::string TCHostPaths::Resolve(const std::string& absolutePath) {
    if (absolutePath.empty() || absolutePath.front() != '/') return absolutePath;
    const std::string root = GetRoot();
    return root.empty() ? absolutePath : root + absolutePath;
}
