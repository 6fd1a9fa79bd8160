#include "comms/web_service.h"

#include "app/user_settings.h"
#include "foundation/string_slice.h"

namespace WebService {

std::string GetHost(const UserSettings& settings) {
    const std::string value = settings.Get(kHostSetting);
    std::string host = StringSlice(value.c_str()).Trimmed().ToString();
    // A pasted address still names the host.
    size_t scheme = host.find("://");
    if (scheme != std::string::npos) {
        host.erase(0, scheme + 3);
    }
    size_t slash = host.find('/');
    if (slash != std::string::npos) {
        host.erase(slash);
    }
    return host;
}

std::string GetAddress(const UserSettings& settings) {
    std::string host = GetHost(settings);
    return host.empty() ? std::string() : "https://" + host + "/";
}

}  // namespace WebService
