// Test helpers shared by the runtime suites.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Tavrix.h"
#include "memory/LDAllocator.h"
#include "util/UtDebug.h"

namespace tavrix_test {

// Starts the runtime for one test and releases it afterwards.
class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { tavrix::Tavrix::init(); }
    void TearDown() override { tavrix::Tavrix::dispose(); }
};

// Page allocator that counts live pages and can be told to refuse.
class CountingAllocator : public tavrix::LDAllocator {
public:
    void* pageAlloc(size_t size, Type) override
    {
        if (refuse) return nullptr;
        ++livePages;
        ++totalAllocs;
        return std::malloc(size);
    }
    void pageFree(void* ptr, Type) override
    {
        --livePages;
        std::free(ptr);
    }
    void init() override { ++initCalls; }
    void dispose() override { ++disposeCalls; }

    bool refuse = false;
    int livePages = 0;
    int totalAllocs = 0;
    int initCalls = 0;
    int disposeCalls = 0;
};

// Runs fn with standard output captured and returns what it printed.
template <class Fn>
std::string captureStdout(Fn fn)
{
    ::testing::internal::CaptureStdout();
    fn();
    return ::testing::internal::GetCapturedStdout();
}

// Runs fn with the runtime's text collected instead of printed and returns
// it; the default sink is back afterwards.
template <class Fn>
std::string captureMessages(Fn fn)
{
    std::string text;
    tavrix::UtDebug::setSink(
        [](void* collected, tavrix::UtDebug::MessageKind, const char* piece, int length) {
            static_cast<std::string*>(collected)->append(piece, static_cast<size_t>(length));
        },
        &text);
    fn();
    tavrix::UtDebug::setSink(nullptr, nullptr);
    return text;
}

} // namespace tavrix_test
