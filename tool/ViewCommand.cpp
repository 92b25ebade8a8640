// tavrix view: a model or a project live in the browser, served from this
// machine, with a slider per parameter, motions, lip sync and a timeline.
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "CommandTable.h"
#include "ModelFiles.h"
#include "PluginLocation.h"
#include "RuntimeMessages.h"
#include "Viewer.h"

extern char** environ;

namespace tavrix_tool {

namespace {

struct ViewOptions {
    std::string document;
    std::vector<std::string> textures;
    int port = 0;
    std::string bind = "127.0.0.1";
    bool noOpen = false;
    std::string pluginPath;
    bool verbose = false;
};

int fail(const std::string& why, int status = EXIT_FAILED)
{
    std::fprintf(stderr, "tavrix view: %s\n", why.c_str());
    return status;
}

// Hands the address to the desktop's browser, where there is a desktop;
// the page works the same when nobody opens it here.
void openInBrowser(const std::string& address)
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) return;
    std::vector<char*> argv = {const_cast<char*>("xdg-open"), const_cast<char*>(address.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return;
    // xdg-open hands over to the browser and returns.
    int status = 0;
    waitpid(child, &status, 0);
}

int runView(ViewOptions options)
{
    if (options.bind == "localhost") options.bind = "127.0.0.1";
    in_addr address;
    if (inet_pton(AF_INET, options.bind.c_str(), &address) != 1) {
        return fail("--bind " + options.bind + ": an IPv4 address such as 127.0.0.1 is expected", EXIT_USAGE);
    }
    if (options.port < 0 || options.port > 65535) {
        return fail("--port " + std::to_string(options.port) + " must be from 0 (any free port) to 65535", EXIT_USAGE);
    }
    if (!options.textures.empty() && tavrix_stage::isModelJson(options.document)) {
        return fail(options.document + ": a model JSON file names its own textures; --texture goes with a .moc model",
                    EXIT_USAGE);
    }
    if (options.bind != "127.0.0.1") {
        std::fprintf(stderr,
                     "tavrix view: warning: --bind %s: the viewer can be reached from other machines on that "
                     "address; anyone who learns its address with the token can see and change the opened "
                     "folder's projects\n",
                     options.bind.c_str());
    }

    // The server's and the renderer's threads leave these signals to the
    // main thread, which waits for them below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    showRuntimeMessages(options.verbose);
    tavrix_viewer::ViewerOptions viewerOptions;
    viewerOptions.document = options.document;
    viewerOptions.textures = options.textures;
    viewerOptions.bindAddress = options.bind;
    viewerOptions.port = options.port;
    viewerOptions.pluginPath = pluginLocation(options.pluginPath);
    tavrix_viewer::Viewer viewer;
    std::string why;
    if (!viewer.start(viewerOptions, why)) return fail(why);
    std::printf("tavrix view: %s at %s (Ctrl+C stops)\n", options.document.c_str(), viewer.address().c_str());
    std::fflush(stdout);
    if (!options.noOpen) openInBrowser(viewer.address());

    int signal = 0;
    sigwait(&stopSignals, &signal);
    viewer.stop();
    std::fprintf(stderr, "tavrix view: stopped\n");
    return EXIT_OK;
}

} // namespace

void addViewCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<ViewOptions>();
    CLI::App* command = tool.add_subcommand("view", "open a model or a project live in the browser");
    command->footer(
        "Serves a page on this machine that shows the model or project as `tavrix render` draws it (through\n"
        "the effect plug-in), with a slider per parameter, motions, blinking, hair physics and lip sync, a\n"
        "timeline for shots saved as projects, the rig's meshes and deformers, and PNG export. Prints the\n"
        "page's address with its access token; only the folder of the opened file can be read or written.\n"
        "Ctrl+C stops it.\n\n"
        "Examples:\n"
        "  tavrix view out/demo/demo.json\n"
        "  tavrix view puppet.moc --texture body.png --texture face.png --port 8650 --no-open\n"
        "  tavrix view shot.json");
    command->add_option("MODEL", options->document, "a .moc model, a model JSON file or a project file")
        ->required()
        ->type_name("MODEL|PROJECT.json");
    addRepeatedOption(command, "--texture", options->textures, "PNG",
                      "PNG texture of the next texture number, for a .moc model (repeatable)");
    command->add_option("--port", options->port, "port to listen on (default: a free one)")->type_name("N");
    command->add_option("--bind", options->bind, "address to listen on (default 127.0.0.1: this machine only)")
        ->type_name("ADDR");
    command->add_flag("--no-open", options->noOpen, "never start a browser, only print the address");
    command->add_option("--plugin", options->pluginPath, "the effect plug-in (default: $TAVRIX_PLUGIN, else beside the tool)")
        ->type_name("PATH");
    command->add_flag("--verbose", options->verbose, "show the runtime's own diagnostics on standard error");
    table.add(command, [options] { return runView(*options); });
}

} // namespace tavrix_tool
