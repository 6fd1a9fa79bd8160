#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/qm_controller.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "foundation/xml_component.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"
#include "model/presentation_rules.h"
#include "model/pupil.h"
#include "optimiser/optimise_run.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

using Kind = ScriptObjectKind;

Person* AsPerson(const ScriptObject& object) {
    switch (object.kind) {
        case Kind::Teacher:
            return static_cast<Teacher*>(object.pointer);
        case Kind::Parent:
            return static_cast<Parent*>(object.pointer);
        case Kind::Pupil:
            return static_cast<Pupil*>(object.pointer);
        default:
            return nullptr;
    }
}

Attendee* AsAttendee(const ScriptObject& object) {
    if (object.kind == Kind::Teacher) {
        return static_cast<Teacher*>(object.pointer);
    }
    if (object.kind == Kind::Parent) {
        return static_cast<Parent*>(object.pointer);
    }
    return nullptr;
}

// An array from 1 of the objects getter(0) .. getter(count - 1).
template <typename Getter>
int PushObjects(ScriptCall& call, unsigned count, Getter getter) {
    call.NewTable();
    for (unsigned i = 0; i < count; ++i) {
        call.PushObject(getter(i));
        call.SetIndex(i + 1);
    }
    return 1;
}

int Teachers(ScriptCall& call) {
    Event* event = call.GetEvent();
    if (event == nullptr) {
        return 0;
    }
    const TeacherList& teachers = event->GetTeachers();
    return PushObjects(call, teachers.Count(), [&](unsigned i) { return teachers.Get(i); });
}

int Parents(ScriptCall& call) {
    Event* event = call.GetEvent();
    if (event == nullptr) {
        return 0;
    }
    const ParentList& parents = event->GetParents();
    return PushObjects(call, parents.Count(), [&](unsigned i) { return parents.Get(i); });
}

int Presentations(ScriptCall& call) {
    Event* event = call.GetEvent();
    if (event == nullptr) {
        return 0;
    }
    const PresentationList& presentations = event->GetPresentations();
    return PushObjects(call, presentations.Count(),
                       [&](unsigned i) { return presentations.GetPresentation(i); });
}

int Pupils(ScriptCall& call) {
    Parent* parent = call.Get<Parent>(1, Kind::Parent);
    return PushObjects(call, parent != nullptr ? parent->GetPupilCount() : 0,
                       [&](unsigned i) { return parent->GetPupil(i); });
}

int TypeOf(ScriptCall& call) {
    ScriptObject object;
    if (call.GetObject(1, &object)) {
        call.PushText(object.AsCollectable()->GetClassName());
    } else if (call.IsMissing(1)) {
        call.PushText("");
    } else {
        return 0;
    }
    return 1;
}

int PersonName(ScriptCall& call) {
    ScriptObject object;
    if (!call.GetObject(1, &object)) {
        return 0;
    }
    Person* person = AsPerson(object);
    call.PushText(person != nullptr ? person->GetName() : "");
    return 1;
}

void AddPersonFields(QMLuaScript& host, const Person* person) {
    // A timetable the script reshaped is no longer the one that was sent.
    if (QMController* controller = host.GetController()) {
        controller->SettleSentMarksIfReshaped();
    }
    host.SetTableText("email_address", person->GetEmail());
    host.SetTableText("email_address_alt", person->GetEmailAlt());
    host.SetTableText("name", person->GetName());
    host.SetTableBoolean("email_sent", person->GetEmailSent(EmailResults));
    host.SetTableBoolean("email_sent_inv", person->GetEmailSent(EmailInvitation));
}

void AddXMLNodeFields(ScriptCall& call, const UCXMLNode* node) {
    call.Host().SetTableObject("tag", node->GetTag());
    for (unsigned i = 0; i < node->GetChildCount(); ++i) {
        call.PushObject(node->GetChild(i));
        call.SetIndex(i + 1);
    }
}

int GetFields(ScriptCall& call) {
    ScriptObject object;
    if (!call.GetObject(1, &object)) {
        return 0;
    }
    QMLuaScript& host = call.Host();
    call.NewTable();
    host.SetTableString("type", object.AsCollectable()->GetClassName());
    switch (object.kind) {
        case Kind::XMLNode:
            AddXMLNodeFields(call, static_cast<const UCXMLNode*>(object.pointer));
            break;
        case Kind::XMLTag:
            host.SetTableText("name", static_cast<const UCXMLTag*>(object.pointer)->GetName());
            break;
        case Kind::XMLBodyText:
            host.SetTableText("text", static_cast<const UCXMLBodyText*>(object.pointer)->GetText());
            break;
        case Kind::Presentation: {
            auto* presentation = static_cast<const Presentation*>(object.pointer);
            host.SetTableText("title", presentation->GetName());
            host.SetTableText("location", presentation->GetLocation());
            host.SetTableText("start_time", presentation->GetStartTime().Format(Time24hs));
            host.SetTableText("end_time", presentation->GetEndTime().Format(Time24hs));
            break;
        }
        case Kind::Parent: {
            auto* parent = static_cast<const Parent*>(object.pointer);
            AddPersonFields(host, parent);
            host.AddAttendanceFields(parent);
            for (int line = 0; line < Parent::kAddressLines; ++line) {
                host.SetTableText(("addr_line_" + std::to_string(line + 1)).c_str(),
                                  parent->GetAddress(line));
            }
            host.SetTableText("notes", parent->GetNotes());
            host.SetTableText("unique_id", parent->GetUniqueIdOrName());
            break;
        }
        case Kind::Pupil: {
            auto* pupil = static_cast<const Pupil*>(object.pointer);
            AddPersonFields(host, pupil);
            host.SetTableText("form", pupil->GetForm());
            host.SetTableText("house", pupil->GetHouse());
            break;
        }
        case Kind::Teacher: {
            auto* teacher = static_cast<const Teacher*>(object.pointer);
            AddPersonFields(host, teacher);
            host.AddAttendanceFields(teacher);
            host.SetTableInteger("appt_len", teacher->GetApptLength());
            host.SetTableText("initials", teacher->GetInitials());
            host.SetTableText("location", teacher->GetLocation());
            host.SetTableText("meeting_link", teacher->GetMeetingLink());
            host.SetTableInteger("priority", teacher->GetPriority());
            host.AddSubjects(teacher);
            break;
        }
    }
    return 1;
}

int Requests(ScriptCall& call) {
    Pupil* pupil = call.Get<Pupil>(1, Kind::Pupil);
    QMLuaScript& host = call.Host();
    call.NewTable();
    for (unsigned i = 0; pupil != nullptr && i < pupil->GetRequestCount(); ++i) {
        const AppointmentRequest* request = pupil->GetRequest(i);
        call.NewTable();
        host.SetTableObject("teacher", request->GetTeacher());
        host.SetTableText("subject", request->GetSubject());
        host.SetTableInteger("length", request->GetLength());
        host.SetTableInteger("priority", request->GetPriority());
        call.SetIndex(i + 1);
    }
    return 1;
}

int TaughtBy(ScriptCall& call) {
    Pupil* pupil = call.Get<Pupil>(1, Kind::Pupil);
    if (pupil == nullptr || call.GetEvent() == nullptr) {
        return 0;
    }
    QMLuaScript& host = call.Host();
    call.NewTable();
    for (unsigned i = 0; i < pupil->GetTaughtByCount(); ++i) {
        call.NewTable();
        host.SetTableText("subject", pupil->GetTaughtBySubject(i));
        host.SetTableObject("teacher", pupil->GetTaughtByTeacher(i));
        call.SetIndex(i);
    }
    return 1;
}

int Breaks(ScriptCall& call) {
    Teacher* teacher = call.Get<Teacher>(1, Kind::Teacher);
    if (call.CurrentDay() == nullptr || call.GetEvent() == nullptr) {
        return 0;
    }
    QMLuaScript& host = call.Host();
    call.NewTable();
    for (unsigned i = 0; teacher != nullptr && i < teacher->GetBreakCount(); ++i) {
        const DateTime when = teacher->GetBreak(i);
        call.NewTable();
        host.SetTableInteger("day", when.GetDate().Day());
        host.SetTableInteger("month", when.GetDate().Month());
        host.SetTableInteger("year", when.GetDate().Year());
        host.SetTableTimes("time", when.GetTime().Seconds());
        call.SetIndex(i);
    }
    return 1;
}

void PushAppointment(ScriptCall& call, const Schedule& day, int slot, const Appointment& booking,
                     const Teacher* teacher) {
    const AppointmentRequest* request = booking.GetRequest();
    QMLuaScript& host = call.Host();
    call.NewTable();
    host.SetTableInteger("length", request->GetLength());
    host.SetTableObject("parent", request->GetParent());
    host.SetTableObject("pupil", request->GetPupil());
    host.SetTableText("subject", request->GetSubject());
    host.SetTableObject("teacher", teacher);
    host.SetTableTimes("time", day.SlotToTime(slot).Seconds());
}

int Appointments(ScriptCall& call) {
    ScriptObject object;
    bool given = call.GetObject(1, &object);
    const Schedule* day = call.CurrentDay();
    Event* event = call.GetEvent();
    if (day == nullptr || event == nullptr) {
        return 0;
    }
    call.NewTable();
    if (!given) {
        return 1;
    }
    const AppointmentGrid& grid = day->GetGrid();
    const TeacherList& teachers = event->GetTeachers();
    long long key = 1;
    for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
        const Teacher* teacher = nullptr;
        int row = -1;
        if (object.kind == Kind::Teacher) {
            teacher = static_cast<const Teacher*>(object.pointer);
            row = teachers.IndexOf(teacher);
        } else if (object.kind == Kind::Parent) {
            row = grid.FindParentRow(slot, static_cast<const Parent*>(object.pointer));
            teacher = row >= 0 ? teachers.Get(static_cast<unsigned>(row)) : nullptr;
        }
        // A person outside the timetable has no row: nothing to list.
        const Appointment* booking = row >= 0 ? grid.PeekBooking(slot, row) : nullptr;
        if (booking != nullptr && booking->GetRequest() != nullptr) {
            PushAppointment(call, *day, slot, *booking, teacher);
            call.SetIndex(key++);
        }
    }
    return 1;
}

int Slots(ScriptCall& call) {
    const Schedule* day = call.CurrentDay();
    if (day == nullptr) {
        return 0;
    }
    call.NewTable();
    for (int slot = 0; slot < day->GetNumSlots(); ++slot) {
        call.NewTable();
        call.Host().SetTableTimes("time", day->SlotToTime(slot).Seconds());
        call.SetIndex(slot + 1);
    }
    return 1;
}

int NumDays(ScriptCall& call) {
    MultiDaySchedule* days = call.Days();
    if (days == nullptr) {
        return 0;
    }
    call.PushInteger(days->GetDayCount());
    return 1;
}

int EventName(ScriptCall& call) {
    Event* event = call.GetEvent();
    if (event == nullptr) {
        return 0;
    }
    call.PushText(event->GetName());
    return 1;
}

int EventDate(ScriptCall& call) {
    const Schedule* day = call.CurrentDay();
    if (day == nullptr) {
        return 0;
    }
    call.PushText(day->GetDate().FormatLong());
    return 1;
}

int ScoreOfDay(ScriptCall& call) {
    const Schedule* day = call.CurrentDay();
    if (day == nullptr) {
        return 0;
    }
    call.PushInteger(day->GetScore().GetValue());
    return 1;
}

int NumRequests(ScriptCall& call) {
    ScriptObject object;
    if (!call.GetObject(1, &object)) {
        return 0;
    }
    int count = 0;
    if (object.kind == Kind::Pupil) {
        count = static_cast<int>(static_cast<const Pupil*>(object.pointer)->GetRequestCount());
    } else if (object.kind == Kind::Parent) {
        count = static_cast<const Parent*>(object.pointer)->GetRequestCount();
    }
    call.PushInteger(count);
    return 1;
}

int IsIdle(ScriptCall& call) {
    ScriptObject object;
    bool given = call.GetObject(1, &object);
    MultiDaySchedule* days = call.Days();
    Person* person = given ? AsPerson(object) : nullptr;
    if (days == nullptr || person == nullptr) {
        return 0;
    }
    call.PushBoolean(days->IsIdle(person));
    return 1;
}

// The attendee and presentation of the first two arguments; false unless both are right.
bool GetAttendance(ScriptCall& call, Attendee** attendee, Presentation** presentation) {
    ScriptObject person;
    bool given = call.GetObject(1, &person);
    *presentation = call.Get<Presentation>(2, Kind::Presentation);
    *attendee = given ? AsAttendee(person) : nullptr;
    return *attendee != nullptr && *presentation != nullptr;
}

int DoesAttendPresentation(ScriptCall& call) {
    Attendee* attendee = nullptr;
    Presentation* presentation = nullptr;
    if (!GetAttendance(call, &attendee, &presentation) || call.CurrentDay() == nullptr) {
        return 0;
    }
    call.PushBoolean(attendee->AttendsPresentation(presentation));
    return 1;
}

int AttendPresentation(ScriptCall& call) {
    // Attending unbooks what clashes: the timetable an output was laid out from would change.
    call.RefuseInsideOutput("qm_attendpres");
    Attendee* attendee = nullptr;
    Presentation* presentation = nullptr;
    Schedule* day = call.CurrentDay();
    MultiDaySchedule* days = call.Days();
    if (!GetAttendance(call, &attendee, &presentation) || day == nullptr || days == nullptr) {
        return 0;
    }
    // Refused as the window's choice of presentations refuses it, but for a booking in the way
    // on a locked event, which the timetable itself refuses in its own words; one already
    // attended is simply no change.
    if (!attendee->AttendsPresentation(presentation) &&
        !CanAttendPresentation(*days, *attendee, *presentation)) {
        ReportMessage(SeverityError,
                      days->GetEvent() && days->GetEvent()->IsLocked() &&
                              HasAppointmentDuring(*days, *attendee, *presentation)
                          ? "Cannot remove an appointment because the schedule is locked"
                          : "Cannot attend presentation '" + presentation->GetName() + "'");
        call.PushBoolean(false);
        return 1;
    }
    // The bookings the talk takes are named, as the window's choice of presentations names them.
    const MultiDaySchedule::HeldBookings held = days->GetBookings();
    call.PushBoolean(day->AttendPresentation(attendee, presentation));
    days->ReportBookingsGivenUp(held);
    return 1;
}

int SelectDay(ScriptCall& call) {
    call.Host().SelectDay(static_cast<unsigned>(call.GetInteger(1)));
    return 0;
}

int SetField(ScriptCall& call) {
    ScriptObject object;
    bool given = call.GetObject(1, &object);
    std::string field;
    std::string value;
    if (!given || !call.GetText(2, field) || !call.GetEventText(3, value)) {
        return 0;
    }
    void (Teacher::*setter)(const std::string&) = nullptr;
    const char* action = nullptr;
    if (field == "location") {
        setter = &Teacher::SetLocation;
        action = "set a teacher's location";
    } else if (field == "meeting_link") {
        setter = &Teacher::SetMeetingLink;
        action = "set a teacher's meeting link";
    }
    Event* event = call.GetEvent();
    // The window's teacher editor keeps both as they are on a locked event.
    const bool set = object.kind == Kind::Teacher && setter != nullptr &&
                     (event == nullptr || !event->RefuseWhenLocked(action));
    if (set) {
        (static_cast<Teacher*>(object.pointer)->*setter)(value);
        if (event != nullptr) {
            event->SetModified();
        }
    }
    call.PushBoolean(set);
    return 1;
}

int AddPresentation(ScriptCall& call) {
    std::string name;
    std::string location;
    std::string start;
    std::string end;
    const Schedule* day = call.CurrentDay();
    Event* event = call.GetEvent();
    if (!call.GetEventText(1, name) || !call.GetEventText(2, location) || !call.GetText(3, start) ||
        !call.GetText(4, end) || day == nullptr || event == nullptr) {
        return 0;
    }
    auto presentation =
        std::make_unique<Presentation>(name, location, day->GetDate(), start.c_str(), end.c_str());
    // A presentation the event itself refuses (a name taken, no time between its times) is
    // refused in the event's own words; one it would take but the window's editor refuses (no
    // title, times outside the day) gets the editor's message.
    if (presentation->IsValid() && event->GetPresentations().Find(name) == nullptr) {
        const std::string fault =
            CheckPresentation(*event, nullptr, true, name, presentation->GetStartTime(),
                              presentation->GetEndTime(), *day);
        if (!fault.empty()) {
            ReportMessage(SeverityError, fault);
            return 0;
        }
    }
    Presentation* added = presentation.get();
    if (!event->AddPresentation(std::move(presentation))) {
        return 0;
    }
    call.Host().Objects().MarkModelStale();
    call.PushObject(added);
    return 1;
}

int DeleteRequest(ScriptCall& call) {
    call.RefuseInsideOutput("qm_deleterequest");
    Pupil* pupil = call.Get<Pupil>(1, Kind::Pupil);
    Teacher* teacher = call.Get<Teacher>(2, Kind::Teacher);
    std::string subject;
    MultiDaySchedule* days = call.Days();
    if (pupil == nullptr || teacher == nullptr || !call.GetEventText(3, subject) ||
        days == nullptr) {
        return 0;
    }
    // On a locked schedule the unbooking is refused (and says so), and the request stays.
    if (!days->RemoveAppointment(pupil, teacher, subject) && days->GetEvent() &&
        days->GetEvent()->IsLocked()) {
        return 0;
    }
    const AppointmentRequest* request = pupil->FindRequest(teacher, subject);
    // A request still booked somewhere would leave the timetable pointing at freed memory.
    if (request != nullptr && !days->IsRequestBooked(request) &&
        pupil->DeleteRequest(teacher, subject)) {
        days->GetEvent()->SetModified();
    }
    return 0;
}

// Runs the optimiser over the whole event inside the script call. Only a verbose run talks:
// after each step that leaves the generation unfinished its progress, after each generation
// the passes left, the event's score and the statistics.
int Optimise(ScriptCall& call) {
    // A generation ends by replacing every day, which would free the days a print or an
    // e-mail run holds.
    call.RefuseInsideOutput("qm_optimise");
    int passes = call.GetInteger(1);
    const bool verbose = call.GetBoolean(2);
    MultiDaySchedule* days = call.Days();
    if (days == nullptr) {
        return 0;
    }
    if (passes < 1) {
        passes = 1;
    }
    const int numKids = call.Controller()->GetUserSettings().GetInt("evolvernumkids", 10);
    if (verbose) {
        ReportMessage(SeverityDebug, StringPrintf("Optimise starting with numkids=%d", numKids));
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    OptimiserStats stats;
    Evolver evolver(days, numKids);
    evolver.SetOptimiserStats(&stats);
    // In slices, with the stop check between them: the master is whole there.
    const auto slice = [] { return Evolver::Clock::now() + std::chrono::milliseconds(20); };
    Evolver::StartState started = Evolver::StartPending;
    while ((started = evolver.StartSome(slice())) == Evolver::StartPending) {
        call.StopBetweenSteps();
    }
    if (started != Evolver::StartDone) {
        return 0;
    }
    evolver.NewGeneration();
    while (passes > 0) {
        call.StopBetweenSteps();
        const Evolver::StepState step = evolver.StepSome(slice());
        if (step == Evolver::StepPending) {
            continue;
        }
        if (step == Evolver::StepDone) {
            if (verbose) {
                ReportMessage(SeverityDebug, FormatOptimiseProgress(evolver.GetPhase(),
                                                                    evolver.GetProgressPercent()));
            }
            continue;
        }
        if (verbose) {
            ReportMessage(SeverityDebug, StringPrintf("Optimise passes remaining=%d, score=%d",
                                                      passes, days->GetScore().GetValue() + 1000));
            ReportMessage(SeverityDebug, stats.ToString());
        }
        stats.Reset();
        if (--passes > 0) {
            evolver.NewGeneration();
        }
    }
    return 0;
}

constexpr ScriptFunction kEventFunctions[] = {
    {"qm_addpresentation", &ScriptFunctionEntry<AddPresentation>},
    {"qm_appointments", &ScriptFunctionEntry<Appointments>},
    {"qm_attendpres", &ScriptFunctionEntry<AttendPresentation>},
    {"qm_breaks", &ScriptFunctionEntry<Breaks>},
    {"qm_deleterequest", &ScriptFunctionEntry<DeleteRequest>},
    {"qm_doesattendpres", &ScriptFunctionEntry<DoesAttendPresentation>},
    {"qm_event_date", &ScriptFunctionEntry<EventDate>},
    {"qm_event_name", &ScriptFunctionEntry<EventName>},
    {"qm_getfields", &ScriptFunctionEntry<GetFields>},
    {"qm_isidle", &ScriptFunctionEntry<IsIdle>},
    {"qm_numdays", &ScriptFunctionEntry<NumDays>},
    {"qm_numrequests", &ScriptFunctionEntry<NumRequests>},
    {"qm_optimise", &ScriptFunctionEntry<Optimise>},
    {"qm_parents", &ScriptFunctionEntry<Parents>},
    {"qm_personname", &ScriptFunctionEntry<PersonName>},
    {"qm_presentations", &ScriptFunctionEntry<Presentations>},
    {"qm_pupils", &ScriptFunctionEntry<Pupils>},
    {"qm_requests", &ScriptFunctionEntry<Requests>},
    {"qm_score", &ScriptFunctionEntry<ScoreOfDay>},
    {"qm_selectday", &ScriptFunctionEntry<SelectDay>},
    {"qm_setfield", &ScriptFunctionEntry<SetField>},
    {"qm_slots", &ScriptFunctionEntry<Slots>},
    {"qm_taughtby", &ScriptFunctionEntry<TaughtBy>},
    {"qm_teachers", &ScriptFunctionEntry<Teachers>},
    {"qm_typeof", &ScriptFunctionEntry<TypeOf>},
};

}  // namespace

ScriptFunctionTable EventScriptFunctions() {
    return kEventFunctions;
}
