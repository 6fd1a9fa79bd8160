#include "walk/walk_account.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "app/event_file_writer.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

std::string Time(const TimeOfDay& time) {
    return time.Format(Time24hs);
}

// The event's own settings as its file has them, without the first day's date and hours,
// which the day's entry holds.
std::string EventSettings(MultiDaySchedule& schedule) {
    FixedTimeEncoding fixed;
    const std::string text = EventFileWriter(schedule).FormatEventFile();
    std::istringstream lines(text);
    std::string line;
    std::string settings;
    while (std::getline(lines, line) && line != "ExtraDay:" && line != "Presentations:" &&
           line != "Teachers:") {
        const std::string word = line.substr(0, line.find(' '));
        if (word != "Starts" && word != "Ends" && word != "Day" && word != "Month" &&
            word != "Year") {
            settings += line + "\n";
        }
    }
    return settings;
}

std::string Attendance(const AttendanceRecord& record) {
    std::string text = record.IsAttending() ? "attending" : "absent";
    if (record.ArrivesLate()) {
        text += " from " + Time(record.GetStartTime());
    }
    if (record.LeavesEarly()) {
        text += " until " + Time(record.GetEndTime());
    }
    return text;
}

std::string Marks(const Person& person) {
    std::string marks;
    for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
        marks += person.GetEmailSent(kind) ? "IRS"[kind] : '-';
    }
    return marks;
}

std::string RequestKey(const AppointmentRequest& request, const Pupil& pupil) {
    return PersonKey(pupil) + " sees " +
           (request.GetTeacher() ? request.GetTeacher()->GetName() : "nobody") + " (" +
           request.GetSubject() + ")";
}

class Accountant {
public:
    explicit Accountant(const MultiDaySchedule& schedule) : schedule_(schedule) {}

    EventAccount Take() {
        const Event& event = *schedule_.GetEvent();
        account_["event"] = EventSettings(const_cast<MultiDaySchedule&>(schedule_));
        for (unsigned d = 0; d < schedule_.GetDayCount(); ++d) {
            const Schedule& day = *schedule_.GetDay(d);
            account_[DayKey(day.GetDate()) + "hours"] =
                Time(day.GetStartTime()) + "-" + Time(day.GetEndTime());
        }
        const PresentationList& talks = event.GetPresentations();
        for (unsigned i = 0; i < talks.Count(); ++i) {
            const Presentation& talk = *talks.GetPresentation(i);
            talks_[&talk] = DayKey(talk.GetDate()) + "talk/" + talk.GetName();
            account_[talks_[&talk]] = talk.GetLocation() + " " + Time(talk.GetStartTime()) + "-" +
                                      Time(talk.GetEndTime()) + " with";
        }
        for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
            AddTeacher(*event.GetTeachers().Get(t));
        }
        for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
            AddParent(*event.GetParents().Get(p));
        }
        for (const auto& [talk, people] : attending_) {
            for (const std::string& person : people) {
                account_[talk] += " " + person;
            }
        }
        return std::move(account_);
    }

private:
    static std::string DayKey(const Date& date) { return "day/" + date.FormatISO() + "/"; }

    void AddAttendee(const Attendee& attendee, std::ostringstream& own) {
        const std::string key = PersonKey(attendee);
        account_["mark/" + key] = Marks(attendee);
        for (const auto& [date, record] : attendee.GetRecords()) {
            account_[DayKey(date) + "attend/" + key] = Attendance(record);
        }
        const PresentationList& talks = attendee.GetPresentations();
        for (unsigned i = 0; i < talks.Count(); ++i) {
            const auto found = talks_.find(talks.GetPresentation(i));
            if (found != talks_.end()) {
                attending_[found->second].insert(key);
            } else {
                own << " at a talk the event has not: " << talks.GetPresentation(i)->GetName();
            }
        }
        own << " <" << attendee.GetEmail() << "," << attendee.GetEmailAlt() << "> url '"
            << attendee.GetUrl() << "'";
        // Only a family's identifier is kept in the file; a teacher's and a pupil's are their
        // names as first made, and the names are what the file keeps.
        if (attendee.GetKind() == PersonKind::Parent) {
            own << " id '" << attendee.GetUniqueIdOrName() << "'";
        }
    }

    void AddTeacher(const Teacher& teacher) {
        std::ostringstream own;
        own << "initials '" << teacher.GetInitials() << "' at '" << teacher.GetLocation()
            << "' link '" << teacher.GetMeetingLink() << "' length " << teacher.GetApptLength()
            << " priority " << teacher.GetPriority() << " subjects";
        for (const std::string& subject : teacher.GetSubjects()) {
            own << " '" << subject << "'";
        }
        AddAttendee(teacher, own);
        account_["person/" + PersonKey(teacher)] = own.str();
        std::map<std::string, std::string> breaks;
        for (const DateTime& when : teacher.GetBreaks()) {
            breaks[DayKey(when.GetDate()) + "breaks/" + PersonKey(teacher)] +=
                Time(when.GetTime()) + " ";
        }
        account_.insert(breaks.begin(), breaks.end());
    }

    void AddParent(const Parent& parent) {
        // A second family of one name is an entry of its own.
        std::string key = PersonKey(parent);
        for (int n = 2; account_.count("person/" + key) != 0; ++n) {
            key = PersonKey(parent) + " #" + std::to_string(n);
        }
        // A parent's own gap mode is the booking's note of gaps it gave up; the file keeps the
        // event's alone.
        std::ostringstream own;
        own << "address";
        for (int line = 0; line < 5; ++line) {
            own << " '" << parent.GetAddress(line) << "'";
        }
        own << " notes '" << parent.GetNotes() << "' from '" << parent.GetNoteFrom() << "'";
        AddAttendee(parent, own);
        own << " children";
        for (unsigned k = 0; k < parent.GetPupilCount(); ++k) {
            const Pupil& pupil = *parent.GetPupil(k);
            own << " '" << pupil.GetName() << "'";
            AddPupil(pupil);
        }
        account_["person/" + key] = own.str();
    }

    void AddPupil(const Pupil& pupil) {
        // A second child of one name in one family is an entry of its own.
        std::string key = PersonKey(pupil);
        for (int n = 2; account_.count("person/" + key) != 0; ++n) {
            key = PersonKey(pupil) + " #" + std::to_string(n);
        }
        std::ostringstream own;
        own << "form '" << pupil.GetForm() << "' house '" << pupil.GetHouse() << "' <"
            << pupil.GetEmail() << "> taught by";
        for (unsigned i = 0; i < pupil.GetTaughtByCount(); ++i) {
            const Teacher* teacher = pupil.GetTaughtByTeacher(i);
            own << " '" << (teacher ? teacher->GetName() : "?") << "' for '"
                << pupil.GetTaughtBySubject(i) << "'";
        }
        account_["person/" + key] = own.str();
        account_["mark/" + key] = Marks(pupil);
        for (unsigned r = 0; r < pupil.GetRequestCount(); ++r) {
            const AppointmentRequest& request = *pupil.GetRequest(r);
            const std::string requestKey =
                key + RequestKey(request, pupil).substr(PersonKey(pupil).size());
            account_["request/" + requestKey] = "priority " +
                                                std::to_string(request.GetPriority()) + " length " +
                                                std::to_string(request.GetOwnLength());
            for (unsigned d = 0; d < schedule_.GetDayCount(); ++d) {
                const Schedule& day = *schedule_.GetDay(d);
                TimeOfDay at;
                if (day.IsRequestBooked(&request, &at)) {
                    account_[DayKey(day.GetDate()) + "book/" + requestKey] += Time(at) + " ";
                }
            }
        }
    }

    const MultiDaySchedule& schedule_;
    EventAccount account_;
    std::map<const Presentation*, std::string> talks_;
    std::map<std::string, std::set<std::string>> attending_;
};

}  // namespace

std::string PersonKey(const Person& person) {
    if (person.GetKind() == PersonKind::Pupil) {
        const Parent* parent = static_cast<const Pupil&>(person).GetParent();
        return (parent ? parent->GetName() : std::string("?")) + "/" + person.GetName();
    }
    return person.GetName();
}

EventAccount AccountEvent(const MultiDaySchedule& schedule) {
    if (!schedule.GetEvent()) {
        return {};
    }
    return Accountant(schedule).Take();
}

Topic TopicOf(const std::string& key) {
    static const std::pair<const char*, Topic> kPrefixes[] = {
        {"person/", Topic::Person}, {"request/", Topic::Request}, {"mark/", Topic::Mark}};
    for (const auto& [prefix, topic] : kPrefixes) {
        if (key.rfind(prefix, 0) == 0) {
            return topic;
        }
    }
    if (key.rfind("day/", 0) != 0) {
        return Topic::Event;
    }
    static const std::pair<const char*, Topic> kDayTopics[] = {{"/hours", Topic::Hours},
                                                               {"/talk/", Topic::Talk},
                                                               {"/attend/", Topic::Attendance},
                                                               {"/breaks/", Topic::Breaks},
                                                               {"/book/", Topic::Booking}};
    const std::string rest = key.substr(4 + 10);
    for (const auto& [infix, topic] : kDayTopics) {
        if (rest.rfind(infix, 0) == 0) {
            return topic;
        }
    }
    return Topic::Event;
}

std::string DateOf(const std::string& key) {
    return key.rfind("day/", 0) == 0 ? key.substr(4, 10) : std::string();
}

const char* TopicName(Topic topic) {
    static const char* const kNames[] = {"settings",   "people", "requests", "day hours", "talks",
                                         "attendance", "breaks", "bookings", "sent marks"};
    return kNames[static_cast<int>(topic)];
}

std::vector<std::string> DifferingKeys(const EventAccount& before, const EventAccount& after) {
    std::set<std::string> keys;
    for (const auto& [key, value] : before) {
        const auto other = after.find(key);
        if (other == after.end() || other->second != value) {
            keys.insert(key);
        }
    }
    for (const auto& [key, value] : after) {
        if (before.count(key) == 0) {
            keys.insert(key);
        }
    }
    return {keys.begin(), keys.end()};
}

std::string DescribeDifferences(const EventAccount& before, const EventAccount& after,
                                const std::vector<std::string>& keys) {
    const auto value = [](const EventAccount& account, const std::string& key) {
        const auto found = account.find(key);
        return found == account.end() ? std::string("(none)") : "'" + found->second + "'";
    };
    // Of a value of many lines (the event's settings), the lines that went and came.
    const auto lines = [](const EventAccount& account, const std::string& key) {
        std::multiset<std::string> set;
        const auto found = account.find(key);
        std::istringstream in(found == account.end() ? "" : found->second);
        for (std::string line; std::getline(in, line);) {
            set.insert(line);
        }
        return set;
    };
    std::ostringstream out;
    const size_t shown = std::min<size_t>(keys.size(), 6);
    for (size_t i = 0; i < shown; ++i) {
        const auto was = lines(before, keys[i]);
        const auto is = lines(after, keys[i]);
        if (was.size() < 2 && is.size() < 2) {
            out << "\n    " << keys[i] << ": " << value(before, keys[i]) << " -> "
                << value(after, keys[i]);
            continue;
        }
        out << "\n    " << keys[i] << ":";
        for (const std::string& line : was) {
            if (is.count(line) == 0) {
                out << " -'" << line << "'";
            }
        }
        for (const std::string& line : is) {
            if (was.count(line) == 0) {
                out << " +'" << line << "'";
            }
        }
    }
    if (keys.size() > shown) {
        out << "\n    ... and " << keys.size() - shown << " more";
    }
    return out.str();
}
