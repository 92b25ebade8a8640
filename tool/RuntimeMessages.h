// Where the runtime's own messages go while a command runs: standard error
// with --verbose, nowhere otherwise. Standard output is the command's, and a
// failed load is reported with the runtime's message either way.
#pragma once

namespace tavrix_tool {

void showRuntimeMessages(bool verbose);

} // namespace tavrix_tool
