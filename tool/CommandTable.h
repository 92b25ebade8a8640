// The tool's subcommands: each adds itself to the command line with its
// options and leaves the body that runs once the whole line has parsed.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
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

// An option given once per value, as often as needed (--set A=1 --set B=2);
// each takes exactly one value, so a stray word after it is not swallowed.
inline CLI::Option* addRepeatedOption(CLI::App* command, const std::string& name, std::vector<std::string>& values,
                                      const std::string& typeName, const std::string& description)
{
    return command->add_option(name, values, description)
        ->type_name(typeName)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void addInspectCommand(CLI::App& tool, CommandTable& table);
void addDrawCommand(CLI::App& tool, CommandTable& table);
void addRenderCommand(CLI::App& tool, CommandTable& table);
void addPlayCommand(CLI::App& tool, CommandTable& table);
void addEncodeCommand(CLI::App& tool, CommandTable& table);
void addViewCommand(CLI::App& tool, CommandTable& table);

} // namespace tavrix_tool
