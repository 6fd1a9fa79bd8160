#include "support/scoped_env.h"

#include <stdlib.h>

namespace {

void SetOrUnset(const std::string& name, const char* value) {
    if (value != nullptr) {
        ::setenv(name.c_str(), value, 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value, void (*changed)())
    : name_(name), changed_(changed) {
    const char* old = ::getenv(name);
    hadOld_ = old != nullptr;
    old_ = hadOld_ ? old : "";
    SetOrUnset(name_, value);
    if (changed_ != nullptr) {
        changed_();
    }
}

ScopedEnv::~ScopedEnv() {
    SetOrUnset(name_, hadOld_ ? old_.c_str() : nullptr);
    if (changed_ != nullptr) {
        changed_();
    }
}
