#pragma once

#include <string>

namespace tavrix_host {

// Texts between the host (UTF-8) and the script engine, which keeps
// characters beyond U+FFFF as two surrogates of three bytes each.
class EngineText {
public:
    // UTF-8 as the engine keeps it: four-byte sequences become surrogate
    // pairs; every other byte is passed on as it is.
    static std::string toEngine(const std::string& utf8);
    // The engine's text as UTF-8: surrogate pairs become one four-byte
    // sequence; an unpaired surrogate becomes U+FFFD.
    static std::string fromEngine(const std::string& text);
};

} // namespace tavrix_host
