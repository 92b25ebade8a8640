// A small HTTP and WebSocket server on civetweb: it listens on one address,
// keeps connections alive, and hands every request and WebSocket message to
// a service. Requests are parsed and WebSocket frames framed by the library.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "HttpService.h"

struct mg_context;
struct mg_connection;

namespace tavrix_viewer {

class HttpServer {
public:
    // The path WebSockets open on.
    static constexpr const char* SOCKET_PATH = "/ws";

    explicit HttpServer(HttpService& service);
    // Stops the server.
    ~HttpServer();

    // Listens on address:port (port 0: one the system chooses). False with
    // the library's reason when it cannot.
    bool start(const std::string& address, int port, std::string& why);
    // The port it listens on.
    int port() const { return boundPort; }
    // Closes every connection and waits for the library's threads.
    void stop();

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

private:
    static int beginRequest(mg_connection* connection);
    static int handleRequest(mg_connection* connection, void* server);
    static int socketConnecting(const mg_connection* connection, void* server);
    static void socketReady(mg_connection* connection, void* server);
    static int socketData(mg_connection* connection, int bits, char* data, size_t size, void* server);
    static void socketClose(const mg_connection* connection, void* server);
    std::shared_ptr<WebSocketLink> linkOf(const mg_connection* connection);

    HttpService& service;
    mg_context* context = nullptr;
    int boundPort = 0;
    std::mutex linksMutex;
    std::map<const mg_connection*, std::shared_ptr<WebSocketLink>> links;
    std::atomic<uint64_t> nextLinkId{1};
};

} // namespace tavrix_viewer
