#pragma once
#include "JsonTypes/Access/KnaJson_CardResult.h"
#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

// The answer of the card filter: {"count": N, "records": [...]}, N counting every match whatever the paging.
class KnaJson_CardFilterResult : public KnaJson_CountedList<KnaJson_CardResult> {};

} // namespace KeynodeApi
