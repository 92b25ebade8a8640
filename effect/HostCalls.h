// Helpers for chains of host calls: each call runs only while every earlier
// one succeeded, and the first error is the result.
#pragma once

#include "PF_Basic.h"

template <class Call>
inline void chain(PF_Err& err, Call&& call)
{
    if (err == PF_Err_NONE) err = call();
}

// For closing calls that run on every path: their error counts only when
// nothing failed before.
inline void keepFirstError(PF_Err& err, PF_Err closing)
{
    if (err == PF_Err_NONE) err = closing;
}
