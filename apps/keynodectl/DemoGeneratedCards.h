#pragma once
#include <ostream>

namespace keynodectl {

// Adds `count` generated cards to the demo site, each with a holder of its own and a link to one of the
// site's access groups, in batched transactions; reports progress on `progress`. Numbers continue after
// the cards generated before, so the command may be run again.
void addGeneratedCards(long long count, std::ostream& progress);

} // namespace keynodectl
