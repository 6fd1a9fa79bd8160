#pragma once

#include <memory>
#include <string>

#include "model/attendee.h"
#include "model/person_list.h"

class Pupil;
class Teacher;

// How the booking spaces one parent's appointments: always leave a gap, try to (given up for a
// parent whose requests do not fit), no gaps needed, or gaps only where the location changes.
enum ParentGapMode : int {
    EnforceParentGaps = 0,
    TryParentGaps = 1,
    AdjacentParentAppointments = 2,
    GapOnLocationChange = 3
};

// An attendee who books appointments for one or more children. The parent owns its pupils.
class Parent : public Attendee {
public:
    static constexpr int kAddressLines = 5;

    Parent();
    explicit Parent(const std::string& name);
    // Copies the attendee part, the gap mode, the address and the notes; no pupils.
    Parent(const Parent& other);
    Parent& operator=(const Parent&) = delete;
    ~Parent() override;

    const char* GetClassName() const override { return "Parent"; }
    PersonKind GetKind() const override { return PersonKind::Parent; }

    ParentGapMode GetGapMode() const { return gapMode_; }
    void SetGapMode(ParentGapMode mode) { gapMode_ = mode; }

    // Lines 0 to 4; empty (and ignored) outside that range.
    std::string GetAddress(int line) const;
    void SetAddress(int line, const std::string& text);
    const std::string& GetNotes() const { return notes_; }
    void SetNotes(const std::string& notes) { notes_ = notes; }
    const std::string& GetNoteFrom() const { return noteFrom_; }
    void SetNoteFrom(const std::string& note) { noteFrom_ = note; }

    // The pupils: arrange them through the list, add and delete them only here.
    PersonList& GetPupils() { return pupils_; }
    const PersonList& GetPupils() const { return pupils_; }
    unsigned GetPupilCount() const { return pupils_.Count(); }
    // Null past the end.
    Pupil* GetPupil(unsigned index) const;
    // Takes ownership and makes this the pupil's parent; false (nothing taken) for null.
    bool AddPupil(std::unique_ptr<Pupil> pupil);
    // Deletes the pupil with its requests; nothing past the end. Unguarded: unbook the pupil's
    // requests on every day first (debug builds stop on a booked one).
    void DeletePupil(unsigned index);
    // Name ignoring ASCII case; null for an empty text.
    Pupil* FindPupil(const std::string& name) const;
    // Whether any child of the other has the name of one of ours, ignoring ASCII case.
    bool SharesAChildWith(const Parent& other) const;
    // Points every pupil back at this parent.
    void AdoptPupils();

    bool HasFixedTimeRequest() const;
    bool HasUnfixedRequest() const;
    bool HasRequests() const;
    int GetRequestCount() const;
    int GetRequestedSlots() const;
    void ClearRequestedTimes();
    // Both delete requests, unguarded: only after every day has unbooked them.
    void DeleteAllRequests();
    void RemoveTeacher(const Teacher* teacher);

private:
    ParentGapMode gapMode_ = TryParentGaps;
    std::string address_[kAddressLines];
    std::string notes_;
    PersonList pupils_;
    std::string noteFrom_;
};
