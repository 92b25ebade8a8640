// tavrix: the command-line front end of the runtime.
#include <CLI/CLI.hpp>

#include <cstdio>

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

} // namespace

int main(int argc, char** argv)
{
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
