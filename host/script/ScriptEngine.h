#pragma once

#include <cstddef>
#include <string>

#include "DialogSession.h"

namespace tavrix_host {

// The host's script engine: runs a script in a fresh JavaScript engine
// (Duktape) that offers the host's dialog toolkit (DialogToolkit.js), and
// plays a user session on the dialogs the script shows.
class ScriptEngine {
public:
    // Files larger than this read as unreadable.
    static constexpr size_t MAX_FILE_SIZE = size_t(64) << 20;

    // The home folder ("~") is $HOME's.
    ScriptEngine();

    void setHomeFolder(const std::string& folder) { home = folder; }
    // Runs scripts with the engine's own JSON object removed, as an engine
    // that has none.
    void setHideJson(bool hide) { hideJson = hide; }

    // Runs script (UTF-8) to its end while the user performs the session's
    // actions. True with the script's value as UTF-8 text (empty for
    // undefined). False with the error text when the script throws, does
    // not compile, or an action fails or is left over.
    bool run(const std::string& script, const DialogSession& session, std::string& result, std::string& error);

    // The last run's dialogs as they were shown, the file dialogs opened
    // and the user's actions, one line each.
    const std::string& transcript() const { return lastTranscript; }

private:
    std::string home;
    bool hideJson = false;
    std::string lastTranscript;
};

} // namespace tavrix_host
