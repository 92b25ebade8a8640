// Who may use the viewer: the holder of a random token the command prints,
// kept in a cookie after the first page; only through the bound address or
// localhost with the port (so a foreign name resolved to this machine, DNS
// rebinding, reaches nothing); and for what changes state, only from the
// viewer's own pages (a matching Origin).
#pragma once

#include <set>
#include <string>

#include "HttpExchange.h"

namespace tavrix_viewer {

class AccessGuard {
public:
    // The query variable that carries the token.
    static constexpr const char* TOKEN_VARIABLE = "token";

    // Draws a 128-bit token from the system's random source; false with the
    // reason when it cannot.
    bool init(std::string& why);
    // The address and port the server listens on: the Host values taken.
    void setAuthority(const std::string& address, int port);

    const std::string& token() const { return secret; }
    // The address a user opens: http://HOST:PORT/?token=...
    std::string pageAddress() const;

    // Checks a request; false after answering it 403 with the reason. A
    // request that brought the token in its query gets the cookie set.
    bool admit(HttpExchange& exchange) const;
    // The header that stores the token in the browser, for the first page.
    std::string cookieHeader() const;

private:
    bool hostAllowed(const std::string& host) const;
    bool sameOrigin(const std::string& origin) const;

    std::string secret;
    std::string cookieName;
    std::string shownHost;
    std::set<std::string> hosts;
    bool anyAddressHost = false;
    int port = 0;
};

} // namespace tavrix_viewer
