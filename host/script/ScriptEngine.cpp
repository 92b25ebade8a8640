#include "ScriptEngine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <duktape.h>

#include "EngineText.h"

// The toolkit's source (DialogToolkit.js), compiled in by CMake.
const char* dialogToolkitScript();

namespace tavrix_host {

namespace {

// What the engine's native functions reach through the heap's user data.
struct RunState {
    // The text of the last file read, kept here so that no C++ object is
    // alive when the engine might unwind past the native function.
    std::string fileText;
};

RunState& stateOf(duk_context* ctx)
{
    duk_memory_functions functions;
    duk_get_memory_functions(ctx, &functions);
    return *static_cast<RunState*>(functions.udata);
}

// Reads path (as the engine wrote it) into text, converted for the engine.
bool readForEngine(const char* enginePath, std::string& text)
{
    std::ifstream in(EngineText::fromEngine(enginePath), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<size_t>(size) > ScriptEngine::MAX_FILE_SIZE) return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(&bytes[0], size)) return false;
    text = EngineText::toEngine(bytes);
    return true;
}

// host.readFile(path): the file's text, or null when it cannot be read.
duk_ret_t readFileNative(duk_context* ctx)
{
    RunState& state = stateOf(ctx);
    if (!readForEngine(duk_safe_to_string(ctx, 0), state.fileText)) {
        duk_push_null(ctx);
        return 1;
    }
    duk_push_lstring(ctx, state.fileText.data(), state.fileText.size());
    state.fileText.clear();
    return 1;
}

void fatal(void*, const char* message)
{
    std::fprintf(stderr, "script engine: fatal error: %s\n", message ? message : "");
    std::abort();
}

std::string textAt(duk_context* ctx, duk_idx_t index)
{
    duk_size_t length = 0;
    const char* text = duk_safe_to_lstring(ctx, index, &length);
    return EngineText::fromEngine(std::string(text, length));
}

// Calls toolkit[name] with the nargs values on top of the stack (which it
// consumes) and gives the text of its value.
std::string callToolkit(duk_context* ctx, duk_idx_t toolkit, const char* name, duk_idx_t nargs)
{
    duk_get_prop_string(ctx, toolkit, name);
    duk_insert(ctx, -(nargs + 1));
    duk_pcall(ctx, nargs);
    std::string text = textAt(ctx, -1);
    duk_pop(ctx);
    return text;
}

std::string describeError(duk_context* ctx, duk_idx_t toolkit)
{
    return callToolkit(ctx, toolkit, "describeError", 1);
}

// The run itself, in an engine made for it; the engine's stack is left to
// the caller, which destroys the engine.
bool runIn(duk_context* ctx, const std::string& script, const DialogSession& session, const std::string& home,
           bool hideJson, std::string& result, std::string& error, std::string& transcript)
{
    const char* toolkitSource = dialogToolkitScript();
    if (duk_peval_string(ctx, toolkitSource) != 0) {
        error = "the dialog toolkit does not compile: " + textAt(ctx, -1);
        return false;
    }
    duk_push_object(ctx);
    const std::string engineHome = EngineText::toEngine(home);
    duk_push_lstring(ctx, engineHome.data(), engineHome.size());
    duk_put_prop_string(ctx, -2, "home");
    duk_push_c_function(ctx, readFileNative, 1);
    duk_put_prop_string(ctx, -2, "readFile");
    const std::string actions = session.toolkitJson();
    duk_push_lstring(ctx, actions.data(), actions.size());
    duk_json_decode(ctx, -1);
    duk_put_prop_string(ctx, -2, "actions");
    duk_push_array(ctx);
    duk_put_prop_string(ctx, -2, "transcript");
    if (duk_pcall(ctx, 1) != 0) {
        error = "the dialog toolkit does not start: " + textAt(ctx, -1);
        return false;
    }
    const duk_idx_t toolkit = duk_get_top_index(ctx);

    if (hideJson) {
        duk_push_global_object(ctx);
        duk_del_prop_string(ctx, -1, "JSON");
        duk_pop(ctx);
    }

    duk_push_string(ctx, "script");
    bool ran = duk_pcompile_lstring_filename(ctx, DUK_COMPILE_EVAL, script.data(), script.size()) == 0 &&
               duk_pcall(ctx, 0) == 0;
    if (ran) {
        result = duk_is_undefined(ctx, -1) ? std::string() : textAt(ctx, -1);
        duk_pop(ctx);
        error = callToolkit(ctx, toolkit, "unperformed", 0);
        ran = error.empty();
    } else {
        error = describeError(ctx, toolkit);
    }
    if (!ran) result.clear();
    transcript = callToolkit(ctx, toolkit, "transcript", 0);
    return ran;
}

} // namespace

ScriptEngine::ScriptEngine()
{
    const char* folder = std::getenv("HOME");
    home = folder ? folder : "";
}

bool ScriptEngine::run(const std::string& script, const DialogSession& session, std::string& result, std::string& error)
{
    result.clear();
    error.clear();
    lastTranscript.clear();
    RunState state;
    duk_context* ctx = duk_create_heap(nullptr, nullptr, nullptr, &state, fatal);
    if (!ctx) {
        error = "the script engine could not start";
        return false;
    }
    const bool ran = runIn(ctx, script, session, home, hideJson, result, error, lastTranscript);
    duk_destroy_heap(ctx);
    return ran;
}

} // namespace tavrix_host
