// tavrix: the command-line front end of the runtime.
#include <CLI/CLI.hpp>

#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "CommandTable.h"
#include "Tavrix.h"

using namespace tavrix_tool;

namespace {

const char* const TOOL_VERSION = "0.1";

// Starting the runtime prints its version line once per process.
void printVersions()
{
    std::printf("tavrix %s\n", TOOL_VERSION);
    std::fflush(stdout);
    tavrix::Tavrix::init();
    tavrix::Tavrix::dispose();
}

// Every frame allocates and frees blocks of megabytes (the host's buffers,
// the frame handed to the output, which a worker frees). With glibc's
// defaults those blocks go back to the system and the next frame faults in
// fresh, zeroed pages on the drawing thread, which with frames in flight
// slowed an HD render to PNG by a fifth. Blocks up to 32 MB (a frame up to
// 2,800 x 2,800) come from the heap, and its top is kept for them.
void keepFrameBlocks()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    keepFrameBlocks();
    CLI::App tool("Tavrix: load, pose, draw and render 2-D puppet models.", "tavrix");
    tool.require_subcommand(0, 1);
    bool version = false;
    tool.add_flag("--version", version, "print the tool's and the runtime's versions");
    tool.footer("Run 'tavrix COMMAND --help' for a command's options and an example.");

    CommandTable table;
    addInspectCommand(tool, table);
    addDrawCommand(tool, table);
    addRenderCommand(tool, table);
    addPlayCommand(tool, table);
    addEncodeCommand(tool, table);
    addViewCommand(tool, table);

    try {
        tool.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return tool.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return tool.exit(help);
    } catch (const CLI::ParseError& error) {
        std::string where = "tavrix";
        for (CLI::App* command : tool.get_subcommands()) where += " " + command->get_name();
        std::fprintf(stderr, "%s: %s\nRun '%s --help' for usage.\n", where.c_str(), error.what(), where.c_str());
        return EXIT_USAGE;
    }
    if (version) {
        printVersions();
        return EXIT_OK;
    }
    const CommandTable::Body* body = table.chosen();
    if (!body) {
        std::fputs(tool.help().c_str(), stderr);
        return EXIT_USAGE;
    }
    return (*body)();
}
