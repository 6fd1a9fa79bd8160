#include "print/print_job.h"

#include "app/qm_script.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/print_renderer.h"
#include "model/print_settings.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "print/qm_image.h"

namespace {

const char kQRFooter[] = "Scan this code with your phone to add this event to your calendar:";

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) {
            text += ", ";
        }
        text += name;
    }
    return text;
}

// Whether the request is booked on any day of the event (on this day when the days are unknown).
bool IsBookedAnywhere(const MultiDaySchedule* eventDays, const Schedule* day, const Pupil* pupil,
                      unsigned request) {
    if (eventDays != nullptr) {
        return eventDays->FindAppointment(pupil, static_cast<int>(request));
    }
    return day->FindAppointment(pupil, static_cast<int>(request), nullptr);
}

// Every request (to the one teacher, when given) booked on no day, with its teacher and pupil,
// in the order of the parents, their pupils and their requests.
template <typename Visit>
void ForEachUnbooked(const ParentList& parents, const MultiDaySchedule* eventDays,
                     const Schedule* day, const Teacher* only, Visit visit) {
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        for (unsigned c = 0; c < parent->GetPupilCount(); ++c) {
            const Pupil* pupil = parent->GetPupil(c);
            for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
                const Teacher* teacher = pupil->GetRequest(r)->GetTeacher();
                if ((only == nullptr || teacher == only) &&
                    !IsBookedAnywhere(eventDays, day, pupil, r)) {
                    visit(teacher, pupil);
                }
            }
        }
    }
}

Presentation* PresentationOf(const Attendee* attendee, unsigned index) {
    return static_cast<Presentation*>(attendee->GetPresentations().Get(index));
}

}  // namespace

// Passes each drawing on to the sheet and notes it in the body.
class PrintJob::BodyRecorder : public PrintRenderer {
public:
    using Piece = ScriptedBody::Piece;
    BodyRecorder(PrintRenderer* sheet, ScriptedBody* body) : sheet_(sheet), body_(body) {}
    bool IsOK() override { return sheet_->IsOK(); }
    void PrintText(const std::string& text) override {
        body_->Add({Piece::Kind::Text, text});
        sheet_->PrintText(text);
    }
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float widthPercent) override {
        body_->Add({Piece::Kind::Cell, text, style, advance, widthPercent});
        sheet_->PrintCell(text, style, advance, widthPercent);
    }
    void PrintBoldText(const std::string& text) override {
        body_->Add({Piece::Kind::Bold, text});
        sheet_->PrintBoldText(text);
    }
    void PrintFooter(const std::string& text) override {
        body_->Add({Piece::Kind::Footer, text});
        sheet_->PrintFooter(text);
    }
    void PrintSeparator() override {
        body_->Add({Piece::Kind::Separator, std::string()});
        sheet_->PrintSeparator();
    }
    // A script has no image to give.
    void PrintImage(QMImage* image, int corner) override { sheet_->PrintImage(image, corner); }

private:
    PrintRenderer* sheet_;
    ScriptedBody* body_;
};

void ScriptedBody::DrawOn(PrintRenderer& renderer) const {
    for (const Piece& piece : pieces_) {
        switch (piece.kind) {
            case Piece::Kind::Text:
                renderer.PrintText(piece.text);
                break;
            case Piece::Kind::Bold:
                renderer.PrintBoldText(piece.text);
                break;
            case Piece::Kind::Cell:
                renderer.PrintCell(piece.text, piece.style, piece.advance, piece.width);
                break;
            case Piece::Kind::Footer:
                renderer.PrintFooter(piece.text);
                break;
            case Piece::Kind::Separator:
                renderer.PrintSeparator();
                break;
        }
    }
}

PrintJob::PrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays, Schedule* day,
                   QMImage* logo, QMImage* qrImage)
    : renderer_(renderer), eventDays_(eventDays), day_(day), logo_(logo), qrImage_(qrImage) {
    if (renderer_->IsOK()) {
        renderer_->StartPage();
    }
}

PrintJob::~PrintJob() {
    // The sheet's renderer goes with the job: a finaliser that runs later, as the printout closes
    // the script, draws on nothing.
    if (script_ != nullptr) {
        script_->SetRenderer(nullptr);
    }
    if (renderer_->IsOK()) {
        renderer_->EndPage();
    }
}

void PrintJob::SetScript(QMScript* script) {
    script_ = script;
    if (script_ != nullptr) {
        script_->SetRenderer(renderer_);
    }
}

std::string PrintJob::SlotTime(int slot) const {
    return day_->SlotToTime(slot).Format(Time12h);
}

void PrintJob::PrintHeading(const std::vector<std::string>& personLines, bool qrCodes) {
    const Event& event = *day_->GetEvent();
    renderer_->PrintImage(logo_, PrintRenderer::kImageTop);
    renderer_->PrintBoldText(event.GetSchoolName());
    renderer_->PrintBoldText(event.GetName() + ", " + day_->GetDate().FormatLong());
    for (const std::string& line : personLines) {
        renderer_->PrintBoldText(line);
    }
    // The scan line goes only with a code to scan.
    if (qrImage_ != nullptr && !qrImage_->IsEmpty() && qrSuppression_ != 1 && qrCodes) {
        renderer_->PrintImage(qrImage_, PrintRenderer::kImageBottom);
        renderer_->PrintFooter(kQRFooter);
    }
    renderer_->PrintSeparator();
}

// Whatever the script reports goes onto the sheet itself, ahead of what it wrote.
void PrintJob::PrintBody() {
    if (script_ == nullptr) {
        PrintBuiltInBody();
        return;
    }
    if (body_ != nullptr && body_->IsKept()) {
        body_->DrawOn(*renderer_);
        return;
    }
    ScriptedBody scratch;
    ScriptedBody& body = body_ != nullptr ? *body_ : scratch;
    BodyRecorder recorder(renderer_, &body);
    std::string text;
    {
        UCStringError collector;
        script_->SetRenderer(&recorder);
        script_->output.clear();
        script_->captureOutput = true;
        RunScript();
        script_->SetRenderer(nullptr);
        text = collector.GetText();
    }
    // Printed once nothing collects: an error in drawing the text must reach the user.
    text += script_->output;
    recorder.PrintLines(text);
    body.Keep();
}

// --- teacher ---

TeacherPrintJob::TeacherPrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays,
                                 Schedule* day, QMImage* logo, QMImage* qrImage, Teacher* teacher,
                                 const PrintSettings* settings)
    : PrintJob(renderer, eventDays, day, logo, qrImage), teacher_(teacher), settings_(settings) {}

void TeacherPrintJob::Print() {
    const Event& event = *day_->GetEvent();
    std::vector<std::string> lines{"Schedule for " + event.GetTeacherDesc(false) + " " +
                                   teacher_->GetName()};
    if (!teacher_->GetLocation().empty()) {
        lines.push_back("Location: " + teacher_->GetLocation());
    }
    PrintHeading(lines, settings_ == nullptr || settings_->GetQRCodes());
    PrintBody();
    renderer_->PrintSeparator();
    if (settings_ != nullptr && settings_->GetListUnbooked()) {
        PrintUnbooked();
    }
    if (settings_ != nullptr && !settings_->GetTeacherNotes().empty()) {
        renderer_->PrintText(settings_->GetTeacherNotes());
    }
}

void TeacherPrintJob::RunScript() {
    script_->DrawTeacherPage(teacher_, day_);
}

void TeacherPrintJob::PrintBuiltInBody() {
    const int row = day_->GetEvent()->GetTeachers().IndexOf(teacher_);
    if (row < 0) {
        return;
    }
    int last = day_->GetNumSlots() - 1;
    while (last >= 0) {
        const SlotStatus status = day_->GetTeacherSlotStatus(last, row);
        if (status == SlotAppointment || status == SlotPresentation) {
            break;
        }
        --last;
    }
    std::string line;
    for (int slot = 0; slot <= last; ++slot) {
        if (MakeSlotLine(slot, row, &line)) {
            renderer_->PrintText(line);
        }
    }
}

bool TeacherPrintJob::MakeSlotLine(int slot, int row, std::string* line) const {
    *line = SlotTime(slot) + ": ";
    const Appointment* booking = day_->GetGrid().PeekBooking(slot, row);
    const AppointmentRequest* request = booking != nullptr ? booking->GetRequest() : nullptr;
    if (request != nullptr) {
        const Pupil* pupil = request->GetPupil();
        const Parent* parent = pupil != nullptr ? pupil->GetParent() : nullptr;
        *line += (parent != nullptr ? parent->GetName() : std::string()) + " about " +
                 (pupil != nullptr ? pupil->GetName() : std::string());
        if (!request->GetSubject().empty()) {
            *line += " (" + request->GetSubject() + ")";
        }
    } else if ((settings_ == nullptr || settings_->GetTeacherBreaks()) &&
               teacher_->HasBreakDuring(day_->GetDate(), day_->SlotToTime(slot),
                                        day_->SlotToTime(slot + 1))) {
        *line += "Break";
    }
    const unsigned count = teacher_->GetPresentations().Count();
    for (unsigned i = 0; i < count; ++i) {
        const Presentation* presentation = PresentationOf(teacher_, i);
        if (presentation == nullptr || !(presentation->GetDate() == day_->GetDate())) {
            continue;
        }
        // A talk that began before opening time (-1) or runs past closing time covers the
        // day's first or last slots; one wholly outside the day covers none.
        const int start = day_->GetSlotForTime(presentation->GetStartTime());
        int end = day_->GetSlotForTime(presentation->GetEndTime());
        if (end < 0) {
            end = presentation->GetEndTime() > day_->GetStartTime() ? day_->GetNumSlots() : 0;
        }
        const bool startsBeforeClosing =
            start >= 0 || presentation->GetStartTime() < day_->GetStartTime();
        if (start == slot) {
            *line += "Attending " + presentation->GetName() + ", location " +
                     presentation->GetLocation();
        } else if (startsBeforeClosing && slot > start && slot < end) {
            return false;
        }
    }
    return true;
}

UnbookedPupils::UnbookedPupils(const MultiDaySchedule& eventDays) : eventDays_(eventDays) {
    if (!eventDays.GetEvent()) {
        return;
    }
    ForEachUnbooked(eventDays.GetEvent()->GetParents(), &eventDays, nullptr, nullptr,
                    [this](const Teacher* teacher, const Pupil* pupil) {
                        names_[teacher].push_back(pupil->GetName());
                    });
}

const std::vector<std::string>& UnbookedPupils::Of(const Teacher* teacher) const {
    static const std::vector<std::string> kNone;
    auto found = names_.find(teacher);
    return found == names_.end() ? kNone : found->second;
}

void TeacherPrintJob::PrintUnbooked() {
    std::vector<std::string> walked;
    const std::vector<std::string>* pupils = &walked;
    if (unbooked_ != nullptr && &unbooked_->GetEventDays() == eventDays_) {
        pupils = &unbooked_->Of(teacher_);
    } else {
        ForEachUnbooked(
            day_->GetEvent()->GetParents(), eventDays_, day_, teacher_,
            [&](const Teacher*, const Pupil* pupil) { walked.push_back(pupil->GetName()); });
    }
    if (!pupils->empty()) {
        renderer_->PrintText(
            "The following pupils requested to see you, but appointments could not be booked: " +
            JoinNames(*pupils));
    }
}

// --- parent ---

ParentPrintJob::ParentPrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays, Schedule* day,
                               QMImage* logo, QMImage* qrImage, Parent* parent,
                               const PrintSettings* settings)
    : PrintJob(renderer, eventDays, day, logo, qrImage), parent_(parent), settings_(settings) {}

void ParentPrintJob::Print() {
    const Event& event = *day_->GetEvent();
    std::vector<std::string> lines{"Schedule for " + parent_->GetName()};
    if (parent_->GetPupilCount() == 1) {
        lines.push_back(event.GetPupilDesc(true) + ": " + parent_->GetPupil(0)->GetName());
    }
    PrintHeading(lines, settings_ == nullptr || settings_->GetQRCodes());
    PrintBody();
    renderer_->PrintSeparator();
    if (settings_ != nullptr && settings_->GetListUnbooked()) {
        PrintUnbooked();
    }
    if (!parent_->GetNotes().empty()) {
        renderer_->PrintText(parent_->GetNotes());
    }
    if (settings_ != nullptr && !settings_->GetParentNotes().empty()) {
        renderer_->PrintText(settings_->GetParentNotes());
    }
}

void ParentPrintJob::RunScript() {
    script_->DrawParentPage(parent_, day_);
}

void ParentPrintJob::PrintBuiltInBody() {
    const AppointmentGrid& grid = day_->GetGrid();
    const bool namePupil = parent_->GetPupilCount() > 1;
    const int slots = day_->GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        const int row = grid.FindParentRow(slot, parent_);
        const Appointment* booking = row >= 0 ? grid.PeekBooking(slot, row) : nullptr;
        const AppointmentRequest* request = booking != nullptr ? booking->GetRequest() : nullptr;
        if (request != nullptr && booking->GetFirstSlot() == slot) {
            const Teacher* teacher = request->GetTeacher();
            std::string line = SlotTime(slot) + " - " + SlotTime(slot + request->GetLength()) +
                               ": " + (teacher != nullptr ? teacher->GetName() : std::string());
            if (!request->GetSubject().empty()) {
                line += " (" + request->GetSubject() + ")";
            }
            if (teacher != nullptr && !teacher->GetLocation().empty()) {
                line += " (" + teacher->GetLocation() + ")";
            }
            if (namePupil && request->GetPupil() != nullptr) {
                line += " about " + request->GetPupil()->GetName();
            }
            renderer_->PrintText(line);
        }
        const unsigned count = parent_->GetPresentations().Count();
        for (unsigned i = 0; i < count; ++i) {
            const Presentation* presentation = PresentationOf(parent_, i);
            int first = 0;
            int end = 0;
            // At the first slot it touches, over every slot it takes: a talk between slot starts
            // or begun before opening time is the family's as much as one on the slots.
            if (presentation == nullptr || !(presentation->GetDate() == day_->GetDate()) ||
                !day_->GetSlotsTouched(presentation->GetStartTime(), presentation->GetEndTime(),
                                       &first, &end) ||
                first != slot) {
                continue;
            }
            renderer_->PrintText(SlotTime(slot) + " - " + SlotTime(end) + ": Attending " +
                                 presentation->GetName() + ", location " +
                                 presentation->GetLocation());
        }
    }
}

// Only when this day leaves requested time unbooked: a request booked on another day is no
// news to the parent.
void ParentPrintJob::PrintUnbooked() {
    int booked = 0;
    const int slots = day_->GetNumSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (day_->GetGrid().ParentIsBooked(slot, parent_)) {
            ++booked;
        }
    }
    if (booked >= parent_->GetRequestedSlots()) {
        return;
    }
    std::vector<std::string> teachers;
    for (unsigned c = 0; c < parent_->GetPupilCount(); ++c) {
        const Pupil* pupil = parent_->GetPupil(c);
        for (unsigned r = 0; r < pupil->GetRequestCount(); ++r) {
            const Teacher* teacher = pupil->GetRequest(r)->GetTeacher();
            if (!IsBookedAnywhere(eventDays_, day_, pupil, r)) {
                teachers.push_back(teacher != nullptr ? teacher->GetName() : std::string());
            }
        }
    }
    if (!teachers.empty()) {
        renderer_->PrintText("The following appointments you requested could not be booked: " +
                             JoinNames(teachers));
    }
}
