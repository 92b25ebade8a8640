#pragma once

// Ends the current command with PF_Err_BAD_CALLBACK_PARAM: the host lacks a
// suite the effect needs. Throws the code; the entry point returns it.
[[noreturn]] void MissingSuiteError();
