#include "base/SodiumInit.h"

#include "Host/TCException.h"

#include <sodium.h>

void EnsureSodiumInitialised() {
    // sodium_init is thread-safe and idempotent, but the static keeps later calls free.
    static const bool initialised = sodium_init() >= 0;
    if (!initialised) throw TCException(__FILE__, __LINE__, "libsodium could not be initialised");
}
