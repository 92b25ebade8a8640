// The basic suite: the host's directory of named, versioned function tables.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t SPErr;

enum {
    kSPNoError = 0,
    kSPSuiteNotFoundError = 1
};

typedef struct SPBasicSuite {
    // Fills *suite with the table of that name and version; every successful
    // acquire is matched by one release.
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
} SPBasicSuite;

#ifdef __cplusplus
}
#endif
