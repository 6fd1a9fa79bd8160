#pragma once

class AppointmentRequest;

// A booked appointment: where in its teacher's row it starts, whether it is locked, and the
// request it books (owned by the request's pupil). A day's grid holds it, through a shared
// pointer, in every cell its request's length covers.
class Appointment {
public:
    Appointment() = default;
    explicit Appointment(AppointmentRequest* request) : request_(request) {}
    Appointment(const Appointment&) = default;
    Appointment& operator=(const Appointment&) = default;

    int GetFirstSlot() const { return firstSlot_; }
    void SetFirstSlot(int slot) { firstSlot_ = slot; }
    bool IsLocked() const { return locked_; }
    void SetLocked(bool locked) { locked_ = locked; }
    AppointmentRequest* GetRequest() const { return request_; }
    void SetRequest(AppointmentRequest* request) { request_ = request; }

private:
    int firstSlot_ = -1;
    bool locked_ = false;
    AppointmentRequest* request_ = nullptr;
};
