#pragma once

// Initialises libsodium once; throws TCException if it cannot be initialised.
void EnsureSodiumInitialised();
