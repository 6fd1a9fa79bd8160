#pragma once

#include <cstdio>
#include <string>
#include <unordered_map>

#include "foundation/time_of_day.h"

class AppointmentRequest;
class Attendee;
class FileLock;
class MultiDaySchedule;
class Parent;
class Teacher;

// Turns the event held by a MultiDaySchedule into the text of an event file and puts it on
// disk: through the lock on the user's file (save) or as a checked copy (autosave). The text
// is built whole before anything is written, and every write replaces the old file atomically,
// so a failed save leaves the old file as it was. One writer serves one save.
class EventFileWriter {
public:
    explicit EventFileWriter(MultiDaySchedule& schedule) : schedule_(schedule) {}

    // The whole text; empty without an event, or (with a message) without days.
    std::string FormatEventFile() const;

    // The text of the user's file, with its check line; empty (reported) when there is none.
    std::string FormatSavedText() const;
    // The text and its "#" + MD5 check line. Clears the modified flags unless keepModified.
    [[nodiscard]] bool WriteToStream(FILE* file, bool keepModified);
    // The autosave copy: the text and its check line, written atomically over path.
    [[nodiscard]] bool WriteToPath(const char* path, bool keepModified);
    // The user's file with its check line, rewritten atomically through its lock.
    [[nodiscard]] bool WriteToLock(FileLock& lock, bool keepModified);

    std::string FormatTeacher(const Teacher* teacher) const;
    std::string FormatParent(const Parent* parent) const;
    std::string FormatRequest(const AppointmentRequest* request) const;
    std::string FormatPresentationsOf(const Attendee* attendee) const;

private:
    struct BookedAt {
        unsigned day;
        TimeOfDay time;
    };

    // The text, or empty after reporting why nothing can be written.
    std::string CheckedText() const;
    // Everything before the teachers: the event, its other days and its presentations.
    std::string FormatHead() const;
    std::string FormatEventSection() const;
    std::string FormatAttendanceDays(const Attendee* attendee, const Teacher* teacher) const;
    // Where each request is first booked, day by day, from one pass over every grid.
    void IndexBookings() const;

    MultiDaySchedule& schedule_;
    mutable std::unordered_map<const AppointmentRequest*, BookedAt> booked_;
    mutable bool bookingsIndexed_ = false;
};
