#pragma once
#include "JsonTypes/Access/KnaJson_CardHolderResult.h"
#include "JsonTypes/KnaJson_BaseFilterResult.h"

namespace KeynodeApi {

// The answer of the card holder filter: {"count": N, "records": [...]}, N counting every match whatever the
// paging.
class KnaJson_CardHolderFilterResult : public KnaJson_CountedList<KnaJson_CardHolderResult> {};

} // namespace KeynodeApi
