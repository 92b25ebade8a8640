// What a server built on HttpServer does with requests and WebSockets. The
// library calls these on its own threads, several at a time.
#pragma once

#include <cstddef>
#include <memory>

#include "HttpExchange.h"
#include "WebSocketLink.h"

namespace tavrix_viewer {

class HttpService {
public:
    virtual ~HttpService() = default;
    // Every request first, WebSocket upgrades included; false when it has
    // answered (refused) the request.
    virtual bool admit(HttpExchange& exchange) = 0;
    // An admitted request that is not a WebSocket.
    virtual void handle(HttpExchange& exchange) = 0;
    // Whether another WebSocket may open now.
    virtual bool acceptSocket() = 0;
    virtual void socketOpened(const std::shared_ptr<WebSocketLink>& link) = 0;
    // One whole message; false closes the socket.
    virtual bool socketMessage(const std::shared_ptr<WebSocketLink>& link, bool binary, const char* data,
                               size_t size) = 0;
    virtual void socketClosed(const std::shared_ptr<WebSocketLink>& link) = 0;
};

} // namespace tavrix_viewer
