#pragma once

#include "model/appointment_request.h"

// A booked appointment: where in its teacher's row it starts, whether it is locked, and the
// request it books (owned by the request's pupil). A day's grid holds it, through a shared
// pointer, in every cell its request's length covers.
class Appointment {
public:
    Appointment() = default;
    explicit Appointment(AppointmentRequest* request) : request_(request) { Hold(); }
    Appointment(const Appointment& other)
        : firstSlot_(other.firstSlot_), locked_(other.locked_), request_(other.request_) {
        Hold();
    }
    Appointment& operator=(const Appointment& other) {
        firstSlot_ = other.firstSlot_;
        locked_ = other.locked_;
        SetRequest(other.request_);
        return *this;
    }
    ~Appointment() { Release(); }

    int GetFirstSlot() const { return firstSlot_; }
    void SetFirstSlot(int slot) { firstSlot_ = slot; }
    bool IsLocked() const { return locked_; }
    void SetLocked(bool locked) { locked_ = locked; }
    AppointmentRequest* GetRequest() const { return request_; }
    void SetRequest(AppointmentRequest* request) {
        if (request != request_) {
            Release();
            request_ = request;
            Hold();
        }
    }

private:
#ifndef NDEBUG
    void Hold() {
        if (request_ != nullptr) {
            ++request_->bookings_.count;
        }
    }
    void Release() {
        if (request_ != nullptr) {
            --request_->bookings_.count;
        }
    }
#else
    void Hold() {}
    void Release() {}
#endif

    int firstSlot_ = -1;
    bool locked_ = false;
    AppointmentRequest* request_ = nullptr;
};
