#include "support/timetable_account.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

std::string Talks(const Attendee& attendee) {
    std::ostringstream out;
    const PresentationList& talks = attendee.GetPresentations();
    for (unsigned i = 0; i < talks.Count(); ++i) {
        const Presentation* talk = talks.GetPresentation(i);
        out << "talk " << talk << ' ' << talk->GetDate().FormatISO() << ' '
            << talk->GetStartTime().Seconds() << '-' << talk->GetEndTime().Seconds() << '\n';
    }
    return out.str();
}

}  // namespace

TimetableAccount AccountTimetables(const MultiDaySchedule& schedule) {
    TimetableAccount account;
    if (!schedule.GetEvent()) {
        return account;
    }
    const Event& event = *schedule.GetEvent();
    const TeacherList& teachers = event.GetTeachers();
    const ParentList& parents = event.GetParents();
    std::map<const Person*, std::ostringstream> told;
    for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
        const Schedule& day = *schedule.GetDay(d);
        const AppointmentGrid& grid = day.GetGrid();
        for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
            std::ostringstream when;
            when << day.GetDate().FormatISO() << ' ' << day.SlotToTime(slot).Seconds() << ' ';
            for (unsigned t = 0; t < teachers.Count(); ++t) {
                const Teacher* teacher = teachers.Get(t);
                const Appointment* booking = grid.PeekBooking(slot, static_cast<int>(t));
                if (booking != nullptr && booking->GetRequest() != nullptr) {
                    told[teacher] << when.str() << "sees " << booking->GetRequest()->GetPupil()
                                  << '\n';
                } else if (teacher->HasBreak(DateTime(day.GetDate(), day.SlotToTime(slot)))) {
                    told[teacher] << when.str() << "break\n";
                }
            }
            for (unsigned p = 0; p < parents.Count(); ++p) {
                const Parent* parent = parents.Get(p);
                int row = -1;
                if (const auto booking = grid.FindParentBooking(slot, parent, &row)) {
                    told[parent] << when.str() << "sees " << teachers.Get(row) << " about "
                                 << booking->GetRequest()->GetPupil() << '\n';
                }
                for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
                    const Pupil* pupil = parent->GetPupil(k);
                    if (grid.FindPupilBooking(slot, pupil, &row)) {
                        told[pupil] << when.str() << "sees " << teachers.Get(row) << '\n';
                    }
                }
            }
        }
    }
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        told[teachers.Get(t)] << Talks(*teachers.Get(t));
    }
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        told[parent] << Talks(*parent);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            told[pupil];
            for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                const Teacher* teacher = pupil->GetRequest(r)->GetTeacher();
                told[pupil] << "asks " << teacher << '\n';
                told[parent] << pupil << " asks " << teacher << '\n';
                told[teacher] << "asked by " << pupil << '\n';
            }
        }
    }
    // What a person is told, whatever order the lists stand in: a family renamed moves in them.
    for (auto& [person, text] : told) {
        std::istringstream in(text.str());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line + '\n');
        }
        std::sort(lines.begin(), lines.end());
        std::string& sorted = account[person];
        for (const std::string& line : lines) {
            sorted += line;
        }
    }
    // A pupil's results and calendar tell the whole family's evening.
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            account[parent->GetPupil(k)] += "family:\n" + account[parent];
        }
    }
    return account;
}

std::set<const Person*> ChangedTimetablesIn(const TimetableAccount& before,
                                            const TimetableAccount& after) {
    std::set<const Person*> changed;
    for (const auto& [person, text] : after) {
        const auto old = before.find(person);
        if (old != before.end() && old->second != text) {
            changed.insert(person);
        }
    }
    return changed;
}

std::vector<Person*> EveryPerson(const Event& event) {
    std::vector<Person*> people;
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        people.push_back(event.GetTeachers().Get(t));
    }
    for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
        Parent* parent = event.GetParents().Get(p);
        people.push_back(parent);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            people.push_back(parent->GetPupil(k));
        }
    }
    return people;
}

void MarkEveryoneSent(const Event& event) {
    for (Person* person : EveryPerson(event)) {
        for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
            person->SetEmailSent(kind, true);
        }
    }
}

void ExpectOnlyTheChangedUnmarked(const Event& event, const TimetableAccount& before,
                                  const std::set<const Person*>& changed) {
    for (const Person* person : EveryPerson(event)) {
        if (before.count(person) == 0) {
            continue;
        }
        SCOPED_TRACE(person->GetName());
        EXPECT_TRUE(person->GetEmailSent(EmailInvitation));
        EXPECT_TRUE(person->GetEmailSent(EmailReminder));
        EXPECT_EQ(person->GetEmailSent(EmailResults), changed.count(person) == 0);
    }
}

std::pair<int, int> FirstBooking(const Schedule& day) {
    const AppointmentGrid& grid = day.GetGrid();
    for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
        for (int slot = 0; slot < day.GetNumSlots(); ++slot) {
            if (grid.PeekBooking(slot, static_cast<int>(row)) != nullptr) {
                return {slot, static_cast<int>(row)};
            }
        }
    }
    ADD_FAILURE() << "nothing is booked";
    return {0, 0};
}

int FreeSlot(const Schedule& day, int row) {
    for (int slot = day.GetNumSlots() - 1; slot >= 0; --slot) {
        if (day.GetTeacherSlotStatus(slot, row) == SlotFree) {
            return slot;
        }
    }
    ADD_FAILURE() << "the teacher has no free slot";
    return 0;
}
