#include "AccessGuard.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace tavrix_viewer {

namespace {

const size_t TOKEN_BYTES = 16;

// Compares without stopping at the first difference, so the time taken
// tells nothing of how much of a guess was right.
bool sameSecret(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

bool isIpv4(const std::string& text)
{
    in_addr address;
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool isMethodThatChanges(const std::string& method)
{
    return method != "GET" && method != "HEAD" && method != "OPTIONS";
}

} // namespace

bool AccessGuard::init(std::string& why)
{
    unsigned char bytes[TOKEN_BYTES];
    size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            why = std::string("cannot draw the access token from the system's random source: ") + std::strerror(errno);
            return false;
        }
        filled += static_cast<size_t>(got);
    }
    static const char hex[] = "0123456789abcdef";
    secret.clear();
    for (unsigned char byte : bytes) {
        secret += hex[byte >> 4];
        secret += hex[byte & 15];
    }
    return true;
}

void AccessGuard::setAuthority(const std::string& address, int listeningPort)
{
    port = listeningPort;
    const std::string suffix = ":" + std::to_string(port);
    // Cookies do not tell ports apart: each viewer keeps its own.
    cookieName = "tavrix_view_" + std::to_string(port);
    hosts = {"localhost" + suffix, "127.0.0.1" + suffix};
    anyAddressHost = address == "0.0.0.0";
    if (!anyAddressHost) hosts.insert(address + suffix);
    shownHost = (anyAddressHost ? std::string("127.0.0.1") : address) + suffix;
}

std::string AccessGuard::pageAddress() const
{
    return "http://" + shownHost + "/?" + TOKEN_VARIABLE + "=" + secret;
}

std::string AccessGuard::cookieHeader() const
{
    return cookieName + "=" + secret + "; Path=/; HttpOnly; SameSite=Strict";
}

bool AccessGuard::hostAllowed(const std::string& host) const
{
    if (hosts.count(host)) return true;
    if (!anyAddressHost) return false;
    // Listening on every address: any IPv4 address of this machine with the
    // port, never a name.
    const std::string suffix = ":" + std::to_string(port);
    return host.size() > suffix.size() && host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0 &&
           isIpv4(host.substr(0, host.size() - suffix.size()));
}

bool AccessGuard::sameOrigin(const std::string& origin) const
{
    const std::string scheme = "http://";
    return origin.compare(0, scheme.size(), scheme) == 0 && hostAllowed(origin.substr(scheme.size()));
}

bool AccessGuard::admit(HttpExchange& exchange) const
{
    const std::string host = exchange.header("Host");
    if (!hostAllowed(host)) {
        exchange.refuse(403, "the Host '" + host + "' is not this viewer's address (" + shownHost +
                                 " or localhost with its port)");
        return false;
    }
    std::string given;
    const bool inQuery = exchange.queryValue(TOKEN_VARIABLE, given);
    if (!inQuery && !exchange.cookie(cookieName.c_str(), given)) {
        exchange.refuse(403, "no access token: open the address 'tavrix view' printed");
        return false;
    }
    if (!sameSecret(given, secret)) {
        exchange.refuse(403, "wrong access token: open the address 'tavrix view' printed");
        return false;
    }
    // A page from elsewhere must not change anything, nor open a socket.
    const bool changes = isMethodThatChanges(exchange.method()) || exchange.isWebSocketUpgrade();
    if (exchange.hasHeader("Origin") || changes) {
        const std::string origin = exchange.header("Origin");
        if (!sameOrigin(origin)) {
            exchange.refuse(403, origin.empty() ? "a request that changes something needs the viewer's own Origin"
                                                : "the Origin '" + origin + "' is not this viewer");
            return false;
        }
    }
    return true;
}

} // namespace tavrix_viewer
