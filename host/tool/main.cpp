// tavrix: the command-line front end of the runtime.
#include <cstdio>
#include <cstring>

#include "ModelFactsCommand.h"
#include "Tavrix.h"

namespace {

const char* const USAGE =
    "usage: tavrix <command> [options]\n"
    "\n"
    "commands:\n"
    "  inspect MODEL.moc [--set ID=VALUE]... [--json]\n"
    "              model facts and evaluated geometry\n"
    "  --version   start the runtime, print its version line, stop it\n"
    "  --help      show this help\n"
    "\n"
    "Run 'tavrix <command> --help' for a command's options.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0 || std::strcmp(command, "help") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        // Starting the runtime prints its version line once per process.
        tavrix::Tavrix::init();
        tavrix::Tavrix::dispose();
        return 0;
    }
    if (std::strcmp(command, "inspect") == 0) return tavrix_tool::runInspect(argc - 2, argv + 2);

    std::fprintf(stderr, "tavrix: unknown command '%s'\n%s", command, USAGE);
    return 2;
}
