#include "CallLog.h"

#include <algorithm>

namespace tavrix_host {

void CallLog::failCall(const std::string& name, int nth, PF_Err code)
{
    failures[name] = Failure{nth, 0, code};
}

int CallLog::count(const std::string& name) const
{
    return static_cast<int>(std::count(recorded.begin(), recorded.end(), name));
}

PF_Err CallLog::enter(const std::string& name)
{
    note(name);
    auto it = failures.find(name);
    if (it == failures.end()) return PF_Err_NONE;
    Failure& failure = it->second;
    ++failure.seen;
    return failure.nth == 0 || failure.seen == failure.nth ? failure.code : PF_Err_NONE;
}

} // namespace tavrix_host
