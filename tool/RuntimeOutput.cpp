#include "RuntimeOutput.h"

#include <unistd.h>

#include "Puppet.h"

namespace tavrix_tool {

RuntimeOutput::RuntimeOutput(bool verbose) : toolOut(stdout), collected(nullptr), savedStdout(-1)
{
    std::fflush(stdout);
    savedStdout = dup(STDOUT_FILENO);
    if (savedStdout < 0) return;
    toolOut = fdopen(savedStdout, "w");
    if (!toolOut) {
        close(savedStdout);
        savedStdout = -1;
        toolOut = stdout;
        return;
    }
    collected = verbose ? nullptr : std::tmpfile();
    int target = collected ? fileno(collected) : STDERR_FILENO;
    dup2(target, STDOUT_FILENO);
}

RuntimeOutput::~RuntimeOutput()
{
    std::fflush(stdout);
    if (toolOut != stdout) {
        std::fflush(toolOut);
        dup2(fileno(toolOut), STDOUT_FILENO);
        std::fclose(toolOut);
    }
    if (collected) std::fclose(collected);
}

std::string RuntimeOutput::lastErrorMessage()
{
    std::fflush(stdout);
    if (!collected) return "";
    std::string text;
    std::rewind(collected);
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, collected)) > 0) text.append(chunk, n);
    std::fseek(collected, 0, SEEK_END);

    const std::string bannerStart = "< ERROR[";
    size_t banner = text.rfind(bannerStart);
    if (banner == std::string::npos) return "";
    size_t begin = text.find('\n', banner);
    size_t end = text.find("\n*****", begin == std::string::npos ? banner : begin);
    if (begin == std::string::npos || end == std::string::npos) return "";
    std::string message = text.substr(begin + 1, end - begin - 1);
    size_t tag = message.rfind(" @");
    if (tag != std::string::npos) message.erase(tag);
    for (char& c : message) {
        if (c == '\n') c = ' ';
    }
    while (!message.empty() && message.back() == ' ') message.pop_back();
    return message;
}

} // namespace tavrix_tool

namespace tavrix_tool {

std::string describeLoadFailure(const std::string& modelPath, int result, RuntimeOutput& output)
{
    const std::string detail = output.lastErrorMessage();
    return modelPath + ": cannot load model: result " + std::to_string(result) + ", " + tavrix_stage::describeLoadResult(result) +
           (detail.empty() ? "" : ": " + detail);
}

} // namespace tavrix_tool
