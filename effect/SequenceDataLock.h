#pragma once

#include "SequenceData.h"
#include "Util/AEGP_SuiteHandler.h"

// Locks an instance's sequence-data handle for the lifetime of the object;
// record() is null when there is no handle or the host gave no address.
class SequenceDataLock {
public:
    SequenceDataLock(AEGP_SuiteHandler& suites, PF_Handle handle) : handles(suites.HandleSuite2()), handle(handle)
    {
        if (handle) data = static_cast<SequenceData*>(handles->host_lock_handle(handle));
    }
    ~SequenceDataLock() { unlock(); }
    SequenceData* record() const { return data; }
    void unlock()
    {
        if (data) handles->host_unlock_handle(handle);
        handle = nullptr;
        data = nullptr;
    }

    SequenceDataLock(const SequenceDataLock&) = delete;
    SequenceDataLock& operator=(const SequenceDataLock&) = delete;

private:
    const PF_HandleSuite2* handles;
    PF_Handle handle;
    SequenceData* data = nullptr;
};
