#pragma once

#include "HostCalls.h"

// A reference the host hands out (effect, stream, memory handle), disposed
// of on every path: by dispose() on the ordinary path, where its error joins
// the chain, and by the destructor when a thrown code unwinds the handler.
template <class Handle>
class HostRef {
public:
    using Disposer = int32_t (*)(Handle);

    explicit HostRef(Disposer disposer) : disposer(disposer) {}
    ~HostRef()
    {
        if (handle) disposer(handle);
    }

    // Runs call(&handle) as the next link of the chain.
    template <class Call>
    void acquire(PF_Err& err, Call&& call)
    {
        if (err != PF_Err_NONE) return;
        Handle acquired = nullptr;
        err = call(&acquired);
        if (err == PF_Err_NONE) handle = acquired;
    }
    // Takes over a handle the host gave whatever the call's result.
    void adopt(Handle given) { handle = given; }
    Handle get() const { return handle; }
    void dispose(PF_Err& err)
    {
        if (!handle) return;
        Handle disposed = handle;
        handle = nullptr;
        keepFirstError(err, disposer(disposed));
    }

    HostRef(const HostRef&) = delete;
    HostRef& operator=(const HostRef&) = delete;

private:
    Disposer disposer;
    Handle handle = nullptr;
};
