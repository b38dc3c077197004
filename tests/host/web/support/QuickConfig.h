#pragma once
#include "Web/ServerConfig.h"

#include <chrono>

namespace WebTest {

// Loopback HTTP on a free port with short timeouts, so tests that wait for the server stay fast.
inline Web::ServerConfig quickConfig() {
    Web::ServerConfig config;
    config.http = {true, "127.0.0.1", 0};
    config.readTimeout = std::chrono::milliseconds(1000);
    config.stopTimeout = std::chrono::milliseconds(2000);
    return config;
}

} // namespace WebTest
