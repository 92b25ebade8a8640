#pragma once

#include <map>
#include <string>
#include <vector>

#include "PF_Basic.h"

namespace tavrix_host {

// Every host function the effect reaches passes here by name: the log
// records the calls (when recording) and answers with an error where a test
// asked for one, to exercise the effect's failure paths.
class CallLog {
public:
    // The nth call (counted from 1, from now on) of name fails with code;
    // nth 0 makes every call fail.
    void failCall(const std::string& name, int nth, PF_Err code);
    void clearFailures() { failures.clear(); }

    void setRecording(bool on) { recording = on; }
    const std::vector<std::string>& calls() const { return recorded; }
    void clearCalls() { recorded.clear(); }
    int count(const std::string& name) const;

    // Notes one call; the error it is to fail with, or PF_Err_NONE.
    PF_Err enter(const std::string& name);
    // Notes an event (a command sent) that cannot be made to fail.
    void note(const std::string& name)
    {
        if (recording) recorded.push_back(name);
    }

private:
    struct Failure {
        int nth;
        int seen;
        PF_Err code;
    };
    std::map<std::string, Failure> failures;
    std::vector<std::string> recorded;
    bool recording = false;
};

} // namespace tavrix_host
