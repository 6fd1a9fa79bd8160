#include <cctype>
#include <ctime>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "comms/email_job.h"
#include "comms/smtp_email.h"
#include "foundation/string_slice.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/icalendar.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

// How a text is laid out: a message body has link lines and blank lines between entries; a
// calendar description is compact.
struct EmailJob::Style {
    bool calendar;
    std::string eol;
    // Whether the role's script writes the text: not for a message's calendar, whose script
    // already ran for the message.
    bool script = true;
};

namespace {

const char* const kUnbookedHeading =
    "The following appointments you requested could not be booked: ";

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Lines end in CR LF whatever the template used; a text that ends with a line end keeps one.
std::string WithCRLFLines(const std::string& text) {
    std::string out;
    const StringSlice whole(text.data(), static_cast<uint32_t>(text.size()));
    std::vector<StringSlice> lines = whole.Split('\n');
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 == lines.size() && lines[i].IsEmpty()) {
            break;
        }
        out += lines[i].Strip('\r').ToString();
        out += "\r\n";
    }
    return out;
}

std::string TimeText(const Schedule* day, int slot) {
    return day->SlotToTime(slot).Format(Time12h);
}

// The first slot a presentation touches, and the slot after the last, or false when it takes
// no slot of this day.
bool PresentationSlots(const Schedule* day, const Presentation* presentation, int* first,
                       int* end) {
    return presentation != nullptr && presentation->GetDate() == day->GetDate() &&
           day->GetSlotsTouched(presentation->GetStartTime(), presentation->GetEndTime(), first,
                                end);
}

}  // namespace

std::string EmailJob::GetLineEnd(EmailTextStyle style) {
    switch (style) {
        case EmailTextPlain:
            return "\r\n";
        case EmailTextCalendar:
            return "\\n";
    }
    return std::string();
}

std::string EmailJob::ReplacePlaceholder(const std::string& text, const char* word,
                                         const char* value) {
    if (word == nullptr) {
        return WithCRLFLines(text);
    }
    return FillPlaceholders(text, {{word, value ? value : ""}});
}

std::string EmailJob::FillPlaceholders(const std::string& text,
                                       const std::map<std::string, std::string>& values) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (!IsWordChar(text[i])) {
            out += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && IsWordChar(text[end])) {
            ++end;
        }
        const std::string word = text.substr(i, end - i);
        auto found = values.find(word);
        out += found != values.end() ? found->second : word;
        i = end;
    }
    return WithCRLFLines(out);
}

std::string EmailJob::ComposeInvitationText(Person* person, const std::string& link,
                                            EmailTextStyle style) const {
    if (!HasEvent() || person == nullptr) {
        return std::string();
    }
    const Event& event = *days_->GetEvent();
    const std::string eol = GetLineEnd(style);
    std::string text = "Dear " + person->GetDisplayName() + "," + eol + eol;
    text += "You are invited to attend " + event.GetSchoolName() + " on ";
    if (days_->GetDayCount() > 0) {
        text += days_->GetDay(0)->GetDate().FormatLong();
    }
    if (days_->GetDayCount() > 1) {
        text += " or " + days_->GetDay(1)->GetDate().FormatLong();
    }
    text += " for the following event: " + event.GetName() + eol + eol;
    if (!link.empty()) {
        text += "Please visit the following website to register who you would like to see:" + eol +
                link;
    } else {
        text += "Please contact the school to register who you would like to see.";
    }
    text += eol + eol + "Best regards," + eol + eol + event.GetSchoolName() + eol + eol;
    return text;
}

bool EmailJob::RunScript(QMScript* script, Person* person, Schedule* day, const Style& style,
                         std::string* text) const {
    if (script == nullptr) {
        return false;
    }
    const PersonKind type = person->GetKind();
    bool has = false;
    if (type == PersonKind::Parent) {
        has = script->HasParentEmail(kind_);
    } else if (type == PersonKind::Pupil) {
        has = script->HasPupilEmail(kind_);
    } else if (type == PersonKind::Teacher) {
        has = script->HasTeacherEmail(kind_);
    }
    scriptWrote_ = has;
    if (!has) {
        return false;
    }
    // What the script reports goes into its text, not to the user in the middle of a run.
    UCStringError sink;
    script->output.clear();
    script->lineEnd = style.eol;
    script->captureOutput = true;
    if (type == PersonKind::Parent) {
        script->RunParentEmail(kind_, static_cast<Parent*>(person), day);
    } else if (type == PersonKind::Pupil) {
        script->RunPupilEmail(kind_, static_cast<Pupil*>(person), day);
    } else {
        script->RunTeacherEmail(kind_, static_cast<Teacher*>(person), day);
    }
    script->captureOutput = false;
    if (!script->failure.empty() && scriptFailure_.empty()) {
        scriptFailure_ = script->failure;
    }
    *text = sink.GetText() + script->output;
    return true;
}

std::string EmailJob::AppointmentLine(Schedule* day, int slot, const Appointment& booking,
                                      const Style& style, bool aboutPupil) const {
    const AppointmentRequest* request = booking.GetRequest();
    if (request == nullptr) {
        return std::string();
    }
    const Teacher* teacher = request->GetTeacher();
    std::string line = TimeText(day, slot) + " - " + TimeText(day, slot + request->GetLength()) +
                       ": You are seeing " + (teacher ? teacher->GetName() : std::string());
    if (!request->GetSubject().empty()) {
        line += " (" + request->GetSubject() + ")";
    }
    if (teacher != nullptr && !teacher->GetLocation().empty()) {
        line += " (" + teacher->GetLocation() + ")";
    }
    if (aboutPupil && request->GetPupil() != nullptr) {
        line += " about " + request->GetPupil()->GetDisplayName();
    }
    line += style.eol;
    if (!style.calendar) {
        if (teacher != nullptr && !teacher->GetMeetingLink().empty()) {
            line += "Link: " + teacher->GetMeetingLink() + style.eol;
        }
        line += style.eol;
    }
    return line;
}

std::string EmailJob::PupilScheduleLines(Pupil* pupil, Schedule* day, const Style& style) const {
    std::string lines;
    const int slots = day->GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        int row = -1;
        std::shared_ptr<Appointment> booking = day->GetGrid().FindPupilBooking(slot, pupil, &row);
        if (booking && booking->GetFirstSlot() == slot) {
            lines += AppointmentLine(day, slot, *booking, style, false);
        }
    }
    return lines;
}

std::string EmailJob::ParentScheduleLines(Parent* parent, Schedule* day, const Style& style,
                                          int* bookedSlots) const {
    std::string lines;
    const bool aboutPupil = parent->GetPupilCount() != 1;
    const PresentationList& presentations = parent->GetPresentations();
    const int slots = day->GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        int row = -1;
        std::shared_ptr<Appointment> booking = day->GetGrid().FindParentBooking(slot, parent, &row);
        if (booking && booking->GetFirstSlot() == slot) {
            lines += AppointmentLine(day, slot, *booking, style, aboutPupil);
            if (booking->GetRequest() != nullptr) {
                *bookedSlots += booking->GetRequest()->GetLength();
            }
            continue;
        }
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            const Presentation* presentation = presentations.GetPresentation(i);
            int first = 0;
            int endSlot = 0;
            if (!PresentationSlots(day, presentation, &first, &endSlot) || first != slot) {
                continue;
            }
            // Past the evening it runs to its own end, which the family must know.
            const std::string endText = presentation->GetEndTime() > day->GetEndTime()
                                            ? presentation->GetEndTime().Format(Time12h)
                                            : TimeText(day, endSlot);
            lines += TimeText(day, slot) + " - " + endText + ": You are attending " +
                     presentation->GetName() + ", location " + presentation->GetLocation() +
                     style.eol;
            if (!style.calendar) {
                lines += style.eol;
            }
        }
    }
    return lines;
}

std::string EmailJob::ParentUnbookedLines(Parent* parent, const Style& style) const {
    std::string lines;
    const bool aboutPupil = parent->GetPupilCount() != 1;
    for (unsigned p = 0; p < parent->GetPupilCount(); ++p) {
        if (Pupil* pupil = parent->GetPupil(p)) {
            lines += PupilUnbookedLines(pupil, style, aboutPupil);
        }
    }
    return lines;
}

std::string EmailJob::PupilUnbookedLines(Pupil* pupil, const Style& style, bool aboutPupil) const {
    std::string lines;
    for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
        if (days_->FindAppointment(pupil, static_cast<int>(r))) {
            continue;
        }
        const AppointmentRequest* request = pupil->GetRequest(r);
        lines += request->GetTeacher() ? request->GetTeacher()->GetName() : std::string();
        if (aboutPupil) {
            lines += " about " + pupil->GetDisplayName();
        }
        if (!request->GetSubject().empty()) {
            lines += ", discussing " + request->GetSubject();
        }
        lines += style.eol;
    }
    return lines;
}

std::string EmailJob::TeacherScheduleLines(Teacher* teacher, Schedule* day,
                                           const Style& style) const {
    std::string lines;
    const int row = days_->GetEvent()->GetTeachers().IndexOf(teacher);
    const bool showBreaks = selection_ == nullptr || selection_->GetTeacherBreaks();
    const PresentationList& presentations = teacher->GetPresentations();
    const int slots = day->GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        const std::string at = "At " + TimeText(day, slot);
        const Appointment* booking = row >= 0 ? day->GetGrid().PeekBooking(slot, row) : nullptr;
        if (booking != nullptr) {
            const AppointmentRequest* request = booking->GetRequest();
            if (booking->GetFirstSlot() != slot || request == nullptr) {
                continue;
            }
            const Pupil* pupil = request->GetPupil();
            const Parent* parent = request->GetParent();
            if (parent == nullptr && pupil != nullptr) {
                parent = pupil->GetParent();
            }
            lines += at + " you are seeing " + (parent ? parent->GetName() : std::string()) +
                     " about " + (pupil ? pupil->GetDisplayName() : std::string());
            if (!request->GetSubject().empty()) {
                lines += " (" + request->GetSubject() + ")";
            }
            lines += style.eol;
            if (!style.calendar) {
                if (!teacher->GetMeetingLink().empty()) {
                    lines += "Link: " + teacher->GetMeetingLink() + style.eol;
                }
                lines += style.eol;
            }
            continue;
        }
        if (showBreaks && teacher->HasBreakDuring(day->GetDate(), day->SlotToTime(slot),
                                                  day->SlotToTime(slot + 1))) {
            lines += at + " you have a break" + style.eol;
            if (!style.calendar) {
                lines += style.eol;
            }
            continue;
        }
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            const Presentation* presentation = presentations.GetPresentation(i);
            int first = 0;
            int end = 0;
            if (!PresentationSlots(day, presentation, &first, &end) || first != slot) {
                continue;
            }
            lines += at + " you are attending " + presentation->GetName() + ", location " +
                     presentation->GetLocation() + style.eol;
            if (!style.calendar) {
                lines += style.eol;
            }
        }
    }
    return lines;
}

std::string EmailJob::TeacherUnbookedLines(Teacher* teacher, const Style& style) const {
    std::string lines;
    const ParentList& parents = days_->GetEvent()->GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.Get(p);
        for (unsigned i = 0; parent != nullptr && i < parent->GetPupilCount(); ++i) {
            Pupil* pupil = parent->GetPupil(i);
            for (unsigned r = 0; pupil != nullptr && r < pupil->GetRequestCount(); ++r) {
                const AppointmentRequest* request = pupil->GetRequest(r);
                if (request->GetTeacher() != teacher ||
                    days_->FindAppointment(pupil, static_cast<int>(r))) {
                    continue;
                }
                lines += parent->GetName() + " about " + pupil->GetDisplayName();
                if (!request->GetSubject().empty()) {
                    lines += ", discussing " + request->GetSubject();
                }
                lines += style.eol;
            }
        }
    }
    return lines;
}

std::string EmailJob::ComposeParent(Parent* parent, Schedule* day, const Style& style) const {
    if (parent == nullptr || !HasEvent()) {
        return std::string();
    }
    std::string text;
    if (style.script && RunScript(parentScript_.get(), parent, day, style, &text)) {
        return text;
    }
    const Event& event = *days_->GetEvent();
    const std::string eol = style.eol;
    if (kind_ != EmailResults) {
        const std::string templ = event.GetParentEmailText(kind_);
        if (templ.empty()) {
            return ComposeInvitationText(parent, parent->GetUrl(),
                                         style.calendar ? EmailTextCalendar : EmailTextPlain);
        }
        return FillPlaceholders(templ,
                                {{"NAME", parent->GetDisplayName()}, {"LINK", parent->GetUrl()}});
    }
    if (day == nullptr) {
        return std::string();
    }
    int bookedSlots = 0;
    const std::string schedule = ParentScheduleLines(parent, day, style, &bookedSlots);
    std::string unbooked;
    if (parent->GetRequestedSlots() > bookedSlots) {
        unbooked = ParentUnbookedLines(parent, style);
    }
    if (style.calendar) {
        text = schedule;
        if (!unbooked.empty()) {
            text += kUnbookedHeading + eol + unbooked;
        }
        return text;
    }
    if (schedule.empty() && unbooked.empty()) {
        return std::string();
    }
    const std::string notes = selection_ ? selection_->GetParentNotes() : std::string();
    const std::string templ = event.GetParentEmailText(kind_);
    if (!templ.empty()) {
        return FillPlaceholders(templ, {{"NAME", parent->GetDisplayName()},
                                        {"NOTES", notes},
                                        {"SCHEDULE", schedule},
                                        {"UNBOOKED", unbooked}});
    }
    text = "Dear " + parent->GetDisplayName() + "," + eol + eol + "You are invited to attend " +
           event.GetSchoolName() + " on " + day->GetDate().FormatLong() +
           " for the following event: " + event.GetName() + eol + eol +
           "Your schedule is shown below:" + eol + eol + schedule;
    if (!unbooked.empty()) {
        text += kUnbookedHeading + eol + unbooked + eol;
    }
    if (!notes.empty()) {
        text += notes + eol + eol;
    }
    return text;
}

std::string EmailJob::ComposePupil(Pupil* pupil, Schedule* day, const Style& style) const {
    if (pupil == nullptr || !HasEvent()) {
        return std::string();
    }
    std::string text;
    if (style.script && RunScript(pupilScript_.get(), pupil, day, style, &text)) {
        return text;
    }
    const Event& event = *days_->GetEvent();
    const std::string eol = style.eol;
    const std::string templ = event.GetPupilEmailText(kind_);
    if (kind_ != EmailResults) {
        if (templ.empty()) {
            return ComposeInvitationText(pupil, std::string(),
                                         style.calendar ? EmailTextCalendar : EmailTextPlain);
        }
        // The event insists on LINK in these texts, yet a pupil has no page of its own on the
        // web service: the family's page is where the pupil's requests are made.
        const Parent* parent = pupil->GetParent();
        return FillPlaceholders(templ, {{"NAME", pupil->GetDisplayName()},
                                        {"LINK", parent ? parent->GetUrl() : std::string()}});
    }
    if (day == nullptr) {
        return std::string();
    }
    const std::string schedule = PupilScheduleLines(pupil, day, style);
    if (style.calendar || schedule.empty()) {
        return schedule;
    }
    if (!templ.empty()) {
        // The window offers a pupil's text the family's words: the notes the family is sent, and
        // what the pupil asked for that was booked on no day.
        return FillPlaceholders(
            templ, {{"NAME", pupil->GetDisplayName()},
                    {"NOTES", selection_ ? selection_->GetParentNotes() : std::string()},
                    {"SCHEDULE", schedule},
                    {"UNBOOKED", PupilUnbookedLines(pupil, style, false)}});
    }
    return "Dear " + pupil->GetDisplayName() + "," + eol + eol + "You are invited to attend " +
           event.GetSchoolName() + " on " + day->GetDate().FormatLong() +
           " for the following event: " + event.GetName() + eol + eol +
           "Your schedule is shown below:" + eol + eol + schedule;
}

std::string EmailJob::ComposeTeacher(Teacher* teacher, Schedule* day, const Style& style) const {
    if (teacher == nullptr || !HasEvent() || kind_ != EmailResults) {
        return std::string();
    }
    std::string text;
    if (style.script && RunScript(teacherScript_.get(), teacher, day, style, &text)) {
        return text;
    }
    if (day == nullptr) {
        return std::string();
    }
    const Event& event = *days_->GetEvent();
    const std::string eol = style.eol;
    const std::string schedule = TeacherScheduleLines(teacher, day, style);
    const std::string unbooked = TeacherUnbookedLines(teacher, style);
    const std::string& location = teacher->GetLocation();
    const std::string locationLine =
        location.empty() ? std::string()
                         : "Your location during the event is: " + location + eol + eol;
    if (style.calendar) {
        text = locationLine + schedule + eol;
        if (!unbooked.empty()) {
            text += kUnbookedHeading + eol + unbooked;
        }
        return text;
    }
    if (schedule.empty() && unbooked.empty()) {
        return std::string();
    }
    const std::string notes = selection_ ? selection_->GetTeacherNotes() : std::string();
    const std::string templ = event.GetTeacherEmailText(kind_);
    if (!templ.empty()) {
        return FillPlaceholders(templ, {{"NAME", teacher->GetName()},
                                        {"LOCATION", location},
                                        {"NOTES", notes},
                                        {"SCHEDULE", schedule},
                                        {"UNBOOKED", unbooked}});
    }
    text = "Dear " + teacher->GetName() + "," + eol + eol +
           "You are booked to attend the following event: " + event.GetName() + " on " +
           day->GetDate().FormatLong() + eol + eol + locationLine +
           "Your schedule is shown below:" + eol + schedule;
    if (!unbooked.empty()) {
        text += kUnbookedHeading + eol + unbooked + eol;
    }
    if (!notes.empty()) {
        text += notes + eol + eol;
    }
    return text;
}

std::string EmailJob::ComposeParentText(Parent* parent, Schedule* day, EmailTextStyle style) const {
    return ComposeParent(parent, day, Style{style == EmailTextCalendar, GetLineEnd(style)});
}

std::string EmailJob::ComposePupilText(Pupil* pupil, Schedule* day, EmailTextStyle style) const {
    return ComposePupil(pupil, day, Style{style == EmailTextCalendar, GetLineEnd(style)});
}

std::string EmailJob::ComposeTeacherText(Teacher* teacher, Schedule* day,
                                         EmailTextStyle style) const {
    return ComposeTeacher(teacher, day, Style{style == EmailTextCalendar, GetLineEnd(style)});
}

bool EmailJob::BuildMessage(UCSMTPEmail& email, Person* person, Schedule* day,
                            int attachCalendar) const {
    scriptFailure_.clear();
    if (person == nullptr || !HasEvent()) {
        return false;
    }
    const Event& event = *days_->GetEvent();
    email.from.address = event.GetEmailServerSettings().GetFromAddress();
    email.AddTo(person->GetEmail().c_str());
    email.AddTo(person->GetEmailAlt().c_str());

    static const char* const kSubjects[] = {"Invitation to ", "Reminder for ", "Schedule for "};
    email.subject = (kind_ >= EmailInvitation && kind_ <= EmailResults ? kSubjects[kind_] : "") +
                    event.GetName();
    if (kind_ == EmailResults && day != nullptr) {
        email.subject += ", " + day->GetDate().FormatLong();
    }

    const Style plain{false, GetLineEnd(EmailTextPlain)};
    const PersonKind type = person->GetKind();
    scriptWrote_ = false;
    if (type == PersonKind::Parent) {
        email.text = ComposeParent(static_cast<Parent*>(person), day, plain);
    } else if (type == PersonKind::Pupil) {
        email.text = ComposePupil(static_cast<Pupil*>(person), day, plain);
    } else if (type == PersonKind::Teacher) {
        email.text = ComposeTeacher(static_cast<Teacher*>(person), day, plain);
    } else {
        ReportMessage(SeverityError,
                      std::string("Unhandled output email type: ") + person->GetClassName());
        return false;
    }

    if (!scriptFailure_.empty()) {
        return false;
    }
    // A parent's or teacher's calendar tells what their own script wrote, from its one run.
    std::string scripted;
    if (scriptWrote_ && type != PersonKind::Pupil) {
        for (size_t at = 0, end = 0; at < email.text.size(); at = end + plain.eol.size()) {
            end = plain.eol.empty() ? std::string::npos : email.text.find(plain.eol, at);
            if (end == std::string::npos) {
                scripted += email.text.substr(at);
                break;
            }
            scripted += email.text.substr(at, end - at) + "\n";
        }
    }
    if (attachCalendar != 1 || kind_ != EmailResults || day == nullptr) {
        return true;
    }
    const int calendarType =
        controller_ != nullptr ? controller_->GetUserSettings().GetICalendarType() : 0;
    // An entry of neither kind has no date or times, which calendar programs refuse.
    if (calendarType != 0 && calendarType != 1) {
        return true;
    }
    ICalendar calendar =
        calendarType == 0 ? day->MakePersonICalendar(person) : day->MakeEventICalendar();
    // The calendar writer escapes line ends itself, so the description carries real ones. No
    // script runs again for it: one message runs its script once.
    const Style description{true, "\n", false};
    if (!scripted.empty()) {
        calendar.SetDescription(scripted);
    } else if (type == PersonKind::Parent) {
        calendar.SetDescription(ComposeParent(static_cast<Parent*>(person), day, description));
    } else if (type == PersonKind::Pupil) {
        Parent* parent = event.GetParents().FindParentOfPupil(static_cast<Pupil*>(person));
        calendar.SetDescription(ComposeParent(parent, day, description));
    } else {
        calendar.SetDescription(ComposeTeacher(static_cast<Teacher*>(person), day, description));
    }
    email.AddAttachment(std::make_shared<UCSMTPEmailAttachmentText>(
        "event.ics", "text/calendar", calendar.FormatCalendar(std::time(nullptr))));
    return scriptFailure_.empty();
}
