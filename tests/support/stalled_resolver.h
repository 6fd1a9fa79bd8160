#pragma once

// A host name whose look-up hangs, as one does on a network that drops the resolver's packets:
// linking this file puts a getaddrinfo of its own in front of the system's for every library of
// the test program. Other names go to the system's resolver.
constexpr const char* kStalledHostName = "stalled.quillmoot.test";

// While one lives, look-ups of the stalled name hang (two minutes at most); when it goes they
// fail, those under way and any later ones.
class StalledLookups {
public:
    StalledLookups();
    ~StalledLookups();
    StalledLookups(const StalledLookups&) = delete;
    StalledLookups& operator=(const StalledLookups&) = delete;
};
