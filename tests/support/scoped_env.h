#pragma once

#include <string>

// Sets an environment variable (or unsets it, for a null value) for one scope and puts the old
// value back afterwards. When given, changed runs after each change, e.g. tzset for "TZ".
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value, void (*changed)() = nullptr);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool hadOld_;
    std::string old_;
    void (*changed_)();
};
