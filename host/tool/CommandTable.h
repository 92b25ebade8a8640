// The tool's subcommands: each adds itself to the command line with its
// options and leaves the body that runs once the whole line has parsed.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <utility>
#include <vector>

namespace tavrix_tool {

// Exit statuses shared by every command.
constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

class CommandTable {
public:
    using Body = std::function<int()>;

    void add(CLI::App* command, Body body) { entries.emplace_back(command, std::move(body)); }

    // The body of the subcommand the line chose, or null when none was.
    const Body* chosen() const
    {
        for (const auto& entry : entries)
            if (entry.first->parsed()) return &entry.second;
        return nullptr;
    }

private:
    std::vector<std::pair<CLI::App*, Body>> entries;
};

void addInspectCommand(CLI::App& tool, CommandTable& table);
void addPlayCommand(CLI::App& tool, CommandTable& table);

} // namespace tavrix_tool
