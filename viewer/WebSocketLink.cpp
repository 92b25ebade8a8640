#include "WebSocketLink.h"

#include <civetweb.h>

namespace tavrix_viewer {

WebSocketLink::WebSocketLink(mg_connection* connection, uint64_t id)
    : connection(connection), linkId(id), writer([this] { run(); })
{
}

WebSocketLink::~WebSocketLink()
{
    close();
}

void WebSocketLink::sendText(std::string text)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (closed) return;
    outbox.push_back(Message{false, std::move(text)});
    wake.notify_one();
}

void WebSocketLink::sendFrame(std::string bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (closed) return;
    for (Message& waiting : outbox) {
        if (waiting.binary) {
            waiting.bytes = std::move(bytes);
            return;
        }
    }
    outbox.push_back(Message{true, std::move(bytes)});
    wake.notify_one();
}

void WebSocketLink::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
        outbox.clear();
        wake.notify_one();
    }
    if (writer.joinable() && writer.get_id() != std::this_thread::get_id()) writer.join();
}

bool WebSocketLink::isOpen() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return !closed;
}

void WebSocketLink::run()
{
    for (;;) {
        Message message;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return closed || !outbox.empty(); });
            if (closed) return;
            message = std::move(outbox.front());
            outbox.pop_front();
        }
        const int opcode = message.binary ? MG_WEBSOCKET_OPCODE_BINARY : MG_WEBSOCKET_OPCODE_TEXT;
        mg_lock_connection(connection);
        const int written = mg_websocket_write(connection, opcode, message.bytes.data(), message.bytes.size());
        mg_unlock_connection(connection);
        if (written <= 0) {
            // The page has gone; the server's close will follow.
            std::lock_guard<std::mutex> lock(mutex);
            closed = true;
            outbox.clear();
            return;
        }
    }
}

} // namespace tavrix_viewer
