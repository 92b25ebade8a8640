// tavrix: the command-line front end of the runtime.
#include <cstdio>
#include <cstring>

#include "Tavrix.h"

namespace {

void printUsage(FILE* out)
{
    std::fprintf(out,
        "usage: tavrix <command> [options]\n"
        "\n"
        "commands:\n"
        "  --version   start the runtime, print its version line, stop it\n"
        "  --help      show this help\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        // Starting the runtime prints its version line once per process.
        tavrix::Tavrix::init();
        tavrix::Tavrix::dispose();
        return 0;
    }
    std::fprintf(stderr, "tavrix: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
