#pragma once
#include "ConnectionTracker.h"
#include "Dispatcher.h"
#include "ResourceTable.h"
#include "Web/ServerConfig.h"

#include <atomic>
#include <memory>
#include <string>

namespace Web::Detail {

// What the listeners and every connection share. Connections hold it by shared_ptr, so it outlives the last
// of them even while the io_context is torn down.
struct ServerState {
    explicit ServerState(ServerConfig serverConfig)
        : config(std::move(serverConfig)), dispatcher(resources, config.errorLog) {}

    void log(const std::string& message) const {
        if (config.errorLog) config.errorLog(message);
    }

    const ServerConfig config;
    ResourceTable resources;
    Dispatcher dispatcher;
    ConnectionTracker connections;
    // Set once by stop(); connections then stop reading new requests.
    std::atomic<bool> stopping{false};
};

} // namespace Web::Detail
