// One page's WebSocket: messages to it are queued and written by a thread of
// its own, so that rendering never waits for a slow page. A frame waiting to
// be written is replaced by a newer one; text messages are all delivered.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

struct mg_connection;

namespace tavrix_viewer {

class WebSocketLink {
public:
    WebSocketLink(mg_connection* connection, uint64_t id);
    // Closes the link (see close()).
    ~WebSocketLink();

    uint64_t id() const { return linkId; }
    void sendText(std::string text);
    void sendFrame(std::string bytes);
    // Writes nothing more: waits for a write under way to end. The server
    // calls it before the library lets go of the connection.
    void close();
    bool isOpen() const;

    WebSocketLink(const WebSocketLink&) = delete;
    WebSocketLink& operator=(const WebSocketLink&) = delete;

private:
    struct Message {
        bool binary;
        std::string bytes;
    };
    void run();

    mg_connection* connection;
    const uint64_t linkId;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Message> outbox;
    bool closed = false;
    std::thread writer;
};

} // namespace tavrix_viewer
