// One HTTP request being answered: what the client asked, read through the
// server library, and the answer written through it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct mg_connection;

namespace tavrix_viewer {

class HttpExchange {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    explicit HttpExchange(mg_connection* connection);

    const std::string& method() const { return requestMethod; }
    // The path without the query, decoded by the library.
    const std::string& path() const { return requestPath; }
    // A request header, or empty when the request has none of that name.
    std::string header(const char* name) const;
    bool hasHeader(const char* name) const;
    // A query variable, decoded; false when the query has none of that name.
    bool queryValue(const char* name, std::string& value) const;
    // A cookie's value; false when the request carries no such cookie.
    bool cookie(const char* name, std::string& value) const;
    // Whether the request asks to become a WebSocket.
    bool isWebSocketUpgrade() const;

    // Reads the body, at most limit bytes. False with the status to answer
    // (413 for a larger body, 400 for one cut short) and the reason.
    bool readBody(size_t limit, std::string& body, int& status, std::string& why);

    // Answers with status, a body of contentType and the extra headers.
    void reply(int status, const std::string& contentType, const std::string& body, const Headers& extra = {});
    // Answers with a status and its reason as a line of plain text.
    void refuse(int status, const std::string& reason);
    // Answers with a file the caller has checked, as the library sends files
    // (ranges, sizes, caching headers).
    void sendFile(const std::string& path, const std::string& contentType);

    bool answered() const { return status != 0; }
    int answeredStatus() const { return status; }

private:
    mg_connection* connection;
    std::string requestMethod;
    std::string requestPath;
    int status = 0;
};

} // namespace tavrix_viewer
