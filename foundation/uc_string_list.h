#pragma once

#include <string>
#include <vector>

#include "foundation/uc_collectable.h"

// An owning list of strings (detail lines, split fields, wildcard pieces).
class UCStringList : public UCCollectable {
public:
    explicit UCStringList(unsigned initialCapacity = 16) { items_.reserve(initialCapacity); }
    const char* GetClassName() const override { return "UCStringList"; }

    unsigned Count() const { return static_cast<unsigned>(items_.size()); }
    void Append(const std::string& text) { items_.push_back(text); }
    // A copy of string i; empty when i is past the end.
    std::string Get(unsigned i) const { return i < items_.size() ? items_[i] : std::string(); }
    void Clear() { items_.clear(); }

    std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
    std::vector<std::string>::const_iterator end() const { return items_.end(); }

private:
    std::vector<std::string> items_;
};
