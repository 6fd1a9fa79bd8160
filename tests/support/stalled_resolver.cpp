#include "support/stalled_resolver.h"

#include <dlfcn.h>
#include <netdb.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace {

struct Stall {
    std::mutex mutex;
    std::condition_variable ended;
    bool on = false;
};

// Never destroyed: a look-up left behind by libcurl may still wait on it as the program ends.
Stall& TheStall() {
    static Stall* stall = new Stall;
    return *stall;
}

}  // namespace

StalledLookups::StalledLookups() {
    std::lock_guard<std::mutex> lock(TheStall().mutex);
    TheStall().on = true;
}

StalledLookups::~StalledLookups() {
    {
        std::lock_guard<std::mutex> lock(TheStall().mutex);
        TheStall().on = false;
    }
    TheStall().ended.notify_all();
}

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    if (node != nullptr && std::strcmp(node, kStalledHostName) == 0) {
        Stall& stall = TheStall();
        std::unique_lock<std::mutex> lock(stall.mutex);
        stall.ended.wait_for(lock, std::chrono::minutes(2), [&stall] { return !stall.on; });
        return EAI_AGAIN;
    }
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto system = reinterpret_cast<Lookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return system(node, service, hints, result);
}
