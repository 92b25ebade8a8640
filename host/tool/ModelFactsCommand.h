// tavrix inspect: model facts and evaluated geometry.
#pragma once

namespace tavrix_tool {

int runInspect(int argc, char** argv);

} // namespace tavrix_tool
