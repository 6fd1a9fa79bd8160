#pragma once

#include <string>

// A URL cut into scheme, host and path, as the web service's addresses are built and taken apart.
class URL {
public:
    // "scheme://host/path"; without "://" the whole text is the path.
    explicit URL(const char* text);
    explicit URL(const std::string& text) : URL(text.c_str()) {}

    const std::string& GetScheme() const { return scheme_; }
    const std::string& GetHost() const { return host_; }
    const std::string& GetPath() const { return path_; }

    // "scheme://host/", or empty when there is no scheme.
    std::string GetBase() const;
    std::string GetURL() const { return GetBase() + path_; }

private:
    std::string scheme_;
    std::string host_;
    std::string path_;
};
