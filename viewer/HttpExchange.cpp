#include "HttpExchange.h"

#include <civetweb.h>

#include <cstring>
#include <strings.h>

namespace tavrix_viewer {

namespace {

const char* reasonPhrase(int status)
{
    const char* text = mg_get_response_code_text(nullptr, status);
    return text ? text : "";
}

} // namespace

HttpExchange::HttpExchange(mg_connection* connection) : connection(connection)
{
    const mg_request_info* info = mg_get_request_info(connection);
    requestMethod = info->request_method ? info->request_method : "";
    requestPath = info->local_uri ? info->local_uri : "";
}

std::string HttpExchange::header(const char* name) const
{
    const char* value = mg_get_header(connection, name);
    return value ? value : "";
}

bool HttpExchange::hasHeader(const char* name) const
{
    return mg_get_header(connection, name) != nullptr;
}

bool HttpExchange::queryValue(const char* name, std::string& value) const
{
    const mg_request_info* info = mg_get_request_info(connection);
    if (!info->query_string) return false;
    const size_t length = std::strlen(info->query_string);
    std::string buffer(length + 1, '\0');
    const int size = mg_get_var(info->query_string, length, name, buffer.data(), buffer.size());
    if (size < 0) return false;
    value.assign(buffer.data(), static_cast<size_t>(size));
    return true;
}

bool HttpExchange::cookie(const char* name, std::string& value) const
{
    const char* header = mg_get_header(connection, "Cookie");
    if (!header) return false;
    std::string buffer(std::strlen(header) + 1, '\0');
    const int size = mg_get_cookie(header, name, buffer.data(), buffer.size());
    if (size < 0) return false;
    value.assign(buffer.data(), static_cast<size_t>(size));
    return true;
}

bool HttpExchange::isWebSocketUpgrade() const
{
    const char* upgrade = mg_get_header(connection, "Upgrade");
    return upgrade && strcasecmp(upgrade, "websocket") == 0;
}

bool HttpExchange::readBody(size_t limit, std::string& body, int& refusal, std::string& why)
{
    const mg_request_info* info = mg_get_request_info(connection);
    if (info->content_length > static_cast<long long>(limit)) {
        refusal = 413;
        why = "the request body is " + std::to_string(info->content_length) + " bytes; at most " +
              std::to_string(limit) + " are taken";
        return false;
    }
    body.clear();
    char block[65536];
    for (;;) {
        const int got = mg_read(connection, block, sizeof block);
        if (got < 0) {
            refusal = 400;
            why = "the request body could not be read";
            return false;
        }
        if (got == 0) break;
        body.append(block, static_cast<size_t>(got));
        if (body.size() > limit) {
            refusal = 413;
            why = "the request body is larger than " + std::to_string(limit) + " bytes";
            return false;
        }
    }
    if (info->content_length >= 0 && body.size() != static_cast<size_t>(info->content_length)) {
        refusal = 400;
        why = "the request body ended before its announced length";
        return false;
    }
    return true;
}

void HttpExchange::reply(int code, const std::string& contentType, const std::string& body, const Headers& extra)
{
    status = code;
    if (isWebSocketUpgrade()) {
        // The library has already taken such a request for a WebSocket and
        // sends no status line of its own; the refusal closes it.
        mg_printf(connection, "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nConnection: close\r\n\r\n",
                  code, reasonPhrase(code), contentType.c_str(), body.size());
        mg_write(connection, body.data(), body.size());
        return;
    }
    mg_response_header_start(connection, code);
    mg_response_header_add(connection, "Content-Type", contentType.c_str(), -1);
    mg_response_header_add(connection, "Content-Length", std::to_string(body.size()).c_str(), -1);
    mg_response_header_add(connection, "Cache-Control", "no-store", -1);
    mg_response_header_add(connection, "X-Content-Type-Options", "nosniff", -1);
    mg_response_header_add(connection, "Referrer-Policy", "no-referrer", -1);
    for (const auto& [name, value] : extra) mg_response_header_add(connection, name.c_str(), value.c_str(), -1);
    mg_response_header_send(connection);
    if (requestMethod != "HEAD") mg_write(connection, body.data(), body.size());
}

void HttpExchange::refuse(int code, const std::string& reason)
{
    reply(code, "text/plain; charset=utf-8", std::to_string(code) + " " + reasonPhrase(code) + ": " + reason + "\n");
}

void HttpExchange::sendFile(const std::string& path, const std::string& contentType)
{
    status = 200;
    mg_send_mime_file2(connection, path.c_str(), contentType.c_str(), "X-Content-Type-Options: nosniff\r\n");
}

} // namespace tavrix_viewer
