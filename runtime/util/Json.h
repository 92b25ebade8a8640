#pragma once

namespace tavrix {

// Runtime JSON values. For now only the start-up and release of the shared
// constant values.
class Value {
public:
    static void staticInit_notForClientCall() {}
    static void staticRelease_notForClientCall() {}
};

} // namespace tavrix
