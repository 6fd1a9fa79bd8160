#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class AppointmentRequest;

// A set of requests by address for the walks that ask about every request of the event: one
// array, no allocation per request.
class RequestSet {
public:
    // Empties the set, keeping its room.
    void Clear() {
        std::fill(slots_.begin(), slots_.end(), nullptr);
        count_ = 0;
    }
    // False when the request is null or already in.
    bool Insert(const AppointmentRequest* request) {
        if (request == nullptr) {
            return false;
        }
        if (2 * (count_ + 1) > slots_.size()) {
            Grow();
        }
        const AppointmentRequest*& slot = slots_[Find(request)];
        if (slot == request) {
            return false;
        }
        slot = request;
        ++count_;
        return true;
    }
    bool Contains(const AppointmentRequest* request) const {
        return request != nullptr && !slots_.empty() && slots_[Find(request)] == request;
    }
    std::size_t Count() const { return count_; }

private:
    // The slot holding the request, or the empty one where it would go.
    std::size_t Find(const AppointmentRequest* request) const {
        const std::size_t mask = slots_.size() - 1;
        auto value = reinterpret_cast<std::uintptr_t>(request);
        value ^= value >> 17;
        value *= 0x9E3779B97F4A7C15ull;
        std::size_t i = static_cast<std::size_t>(value >> 20) & mask;
        while (slots_[i] != nullptr && slots_[i] != request) {
            i = (i + 1) & mask;
        }
        return i;
    }
    void Grow() {
        std::vector<const AppointmentRequest*> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 64 : 2 * old.size(), nullptr);
        for (const AppointmentRequest* request : old) {
            if (request != nullptr) {
                slots_[Find(request)] = request;
            }
        }
    }

    std::vector<const AppointmentRequest*> slots_;
    std::size_t count_ = 0;
};
