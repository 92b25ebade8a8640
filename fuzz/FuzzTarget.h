// Pieces the fuzz targets share. Each target defines LLVMFuzzerTestOneInput;
// it is linked either with libFuzzer (the fuzzing build) or with
// FuzzReplayMain.cpp, which runs it over saved inputs in the test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "Tavrix.h"

namespace tavrix_fuzz {

// The runtime started for one input and released after it, so nothing that
// an input interns or allocates carries over to the next one, and an input
// that fails on its own fails the same way in a replay.
class RuntimeForInput {
public:
    RuntimeForInput() { tavrix::Tavrix::init(); }
    ~RuntimeForInput() { tavrix::Tavrix::dispose(); }
    RuntimeForInput(const RuntimeForInput&) = delete;
    RuntimeForInput& operator=(const RuntimeForInput&) = delete;
};

// Stops the run when a property that must hold for every input does not:
// libFuzzer keeps the input as a crash, and a replay fails.
inline void require(bool holds, const char* property)
{
    if (holds) return;
    std::fprintf(stderr, "fuzz property broken: %s\n", property);
    std::abort();
}

// The largest input the loaders are given; more says nothing new and slows
// the search.
constexpr size_t LARGEST_INPUT = 1u << 22;

} // namespace tavrix_fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
