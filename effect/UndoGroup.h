#pragma once

#include "HostCalls.h"
#include "Util/AEGP_SuiteHandler.h"

// One undo group of the host. Once started it is ended on every path, also
// after a later error or a thrown code; an earlier error stays the result.
class UndoGroup {
public:
    UndoGroup(AEGP_SuiteHandler& suites, PF_Err& err) : utility(suites.UtilitySuite11())
    {
        chain(err, [&] { return utility->AEGP_StartUndoGroup(nullptr); });
        started = err == PF_Err_NONE;
    }
    ~UndoGroup()
    {
        if (started) utility->AEGP_EndUndoGroup();
    }
    void end(PF_Err& err)
    {
        if (!started) return;
        started = false;
        keepFirstError(err, utility->AEGP_EndUndoGroup());
    }

    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;

private:
    const AEGP_UtilitySuite11* utility;
    bool started = false;
};
