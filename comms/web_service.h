#pragma once

#include <string>

class UserSettings;

// The maker's web service, on which events are registered and new versions are published. Its
// host is the user's setting, so the program never talks to a server nobody configured.
namespace WebService {

constexpr const char* kHostSetting = "webservicehost";
// A CA file that vouches for a privately signed server certificate.
constexpr const char* kCAFileSetting = "webservicecafile";

// The host without scheme or path; "" when none is configured.
std::string GetHost(const UserSettings& settings);
// "https://" + host + "/"; "" when no host is configured.
std::string GetAddress(const UserSettings& settings);

}  // namespace WebService
