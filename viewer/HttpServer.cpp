#include "HttpServer.h"

#include <civetweb.h>

#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace tavrix_viewer {

namespace {

// Connections held at once: each open WebSocket keeps one of the library's
// threads, and kept-alive requests another while they wait.
const char* const THREADS = "48";

} // namespace

HttpServer::HttpServer(HttpService& service) : service(service)
{
    mg_init_library(0);
}

HttpServer::~HttpServer()
{
    stop();
    mg_exit_library();
}

bool HttpServer::start(const std::string& address, int port, std::string& why)
{
    const std::string listening = address + ":" + std::to_string(port);
    const char* options[] = {"listening_ports", listening.c_str(),
                             "num_threads", THREADS,
                             "enable_keep_alive", "yes",
                             "keep_alive_timeout_ms", "5000",
                             "request_timeout_ms", "30000",
                             "websocket_timeout_ms", "3600000",
                             "enable_websocket_ping_pong", "yes",
                             "tcp_nodelay", "1",
                             nullptr};
    mg_callbacks callbacks;
    std::memset(&callbacks, 0, sizeof callbacks);
    callbacks.begin_request = &HttpServer::beginRequest;
    char error[256] = "";
    mg_init_data init;
    std::memset(&init, 0, sizeof init);
    init.callbacks = &callbacks;
    init.user_data = this;
    init.configuration_options = options;
    mg_error_data errors;
    std::memset(&errors, 0, sizeof errors);
    errors.text = error;
    errors.text_buffer_size = sizeof error;
    context = mg_start2(&init, &errors);
    if (!context) {
        why = "cannot listen on " + listening + ": " + (error[0] ? error : "the server did not start");
        return false;
    }
    mg_set_request_handler(context, "/", &HttpServer::handleRequest, this);
    mg_set_websocket_handler(context, SOCKET_PATH, &HttpServer::socketConnecting, &HttpServer::socketReady,
                             &HttpServer::socketData, &HttpServer::socketClose, this);
    mg_server_port ports[4];
    const int count = mg_get_server_ports(context, 4, ports);
    boundPort = count > 0 ? ports[0].port : port;
    return true;
}

void HttpServer::stop()
{
    if (!context) return;
    mg_stop(context);
    context = nullptr;
    std::lock_guard<std::mutex> lock(linksMutex);
    for (auto& [connection, link] : links) link->close();
    links.clear();
}

// A fault in answering one request must not stop the server: it becomes
// that request's 500.
template <typename Work> int guarded(HttpExchange& exchange, Work work)
{
    try {
        return work();
    } catch (const std::exception& fault) {
        if (!exchange.answered()) exchange.refuse(500, std::string("the viewer failed: ") + fault.what());
    } catch (...) {
        if (!exchange.answered()) exchange.refuse(500, "the viewer failed");
    }
    return 500;
}

int HttpServer::beginRequest(mg_connection* connection)
{
    HttpServer* server = static_cast<HttpServer*>(mg_get_request_info(connection)->user_data);
    HttpExchange exchange(connection);
    return guarded(exchange, [&] {
        if (server->service.admit(exchange)) return 0;
        return exchange.answered() ? exchange.answeredStatus() : 500;
    });
}

int HttpServer::handleRequest(mg_connection* connection, void* self)
{
    HttpServer* server = static_cast<HttpServer*>(self);
    HttpExchange exchange(connection);
    return guarded(exchange, [&] {
        server->service.handle(exchange);
        if (!exchange.answered()) exchange.refuse(500, "the request was not answered");
        return exchange.answeredStatus();
    });
}

int HttpServer::socketConnecting(const mg_connection*, void* self)
{
    // Admission (token, Host, Origin) has run in beginRequest already.
    return static_cast<HttpServer*>(self)->service.acceptSocket() ? 0 : 1;
}

void HttpServer::socketReady(mg_connection* connection, void* self)
{
    HttpServer* server = static_cast<HttpServer*>(self);
    auto link = std::make_shared<WebSocketLink>(connection, server->nextLinkId++);
    {
        std::lock_guard<std::mutex> lock(server->linksMutex);
        server->links[connection] = link;
    }
    server->service.socketOpened(link);
}

std::shared_ptr<WebSocketLink> HttpServer::linkOf(const mg_connection* connection)
{
    std::lock_guard<std::mutex> lock(linksMutex);
    auto found = links.find(connection);
    return found == links.end() ? nullptr : found->second;
}

int HttpServer::socketData(mg_connection* connection, int bits, char* data, size_t size, void* self)
{
    HttpServer* server = static_cast<HttpServer*>(self);
    const int opcode = bits & 0x0f;
    if (opcode == MG_WEBSOCKET_OPCODE_CONNECTION_CLOSE) return 0;
    if (opcode != MG_WEBSOCKET_OPCODE_TEXT && opcode != MG_WEBSOCKET_OPCODE_BINARY) return 1;
    std::shared_ptr<WebSocketLink> link = server->linkOf(connection);
    if (!link) return 0;
    try {
        return server->service.socketMessage(link, opcode == MG_WEBSOCKET_OPCODE_BINARY, data, size) ? 1 : 0;
    } catch (...) {
        // The page's socket closes; the server goes on.
        return 0;
    }
}

void HttpServer::socketClose(const mg_connection* connection, void* self)
{
    HttpServer* server = static_cast<HttpServer*>(self);
    std::shared_ptr<WebSocketLink> link;
    {
        std::lock_guard<std::mutex> lock(server->linksMutex);
        auto found = server->links.find(connection);
        if (found == server->links.end()) return;
        link = found->second;
        server->links.erase(found);
    }
    link->close();
    server->service.socketClosed(link);
}

} // namespace tavrix_viewer
