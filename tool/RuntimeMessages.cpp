#include "RuntimeMessages.h"

#include "util/UtDebug.h"

namespace tavrix_tool {

void showRuntimeMessages(bool verbose)
{
    tavrix::UtDebug::setSink(verbose ? tavrix::UtDebug::standardErrorSink : tavrix::UtDebug::discardingSink, nullptr);
}

} // namespace tavrix_tool
