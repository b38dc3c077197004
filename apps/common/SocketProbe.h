#pragma once
#include <string>

namespace keynode {

// Whether something accepts connections on the Unix-domain socket: how the tools tell that keynoded's
// mail router (and so keynoded) runs.
bool socketAccepts(const std::string& path);

} // namespace keynode
