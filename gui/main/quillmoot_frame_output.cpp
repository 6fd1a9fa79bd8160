#include <wx/filedlg.h>
#include <wx/print.h>

#include <memory>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/event_file_names.h"
#include "gui/main/frame_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "print/handouts.h"
#include "print/pdf_printout.h"
#include "print/print_renderer_file.h"
#include "print/wx/print_preview.h"
#include "print/wx/print_settings_dlg.h"
#include "print/wx/qm_printout.h"

std::string OutputSavePath(const std::string& chosen, int filterIndex,
                           const std::string& extension) {
    if (filterIndex == 0 && !HasFileExtension(chosen, extension)) {
        return chosen + extension;
    }
    return chosen;
}

std::string OutputRunQuestion(bool allBooked, bool lowScore, OutputRun run) {
    std::string warnings;
    if (!allBooked) {
        warnings += "- There are unbooked appointments\n";
    }
    if (lowScore) {
        warnings += "- The score is low, people are waiting too long (needs more optimisation)\n";
    }
    if (warnings.empty()) {
        return "";
    }
    return "The schedule has the following warnings:\n" + warnings + "Are you sure you want to " +
           (run == OutputRun::Email ? "email" : "print") + " this schedule?";
}

namespace {

// The path a save dialog chose, or "" when it was cancelled.
std::string ChooseSavePath(wxWindow* parent, const char* wildcard, const char* extension) {
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(
            parent, {"Choose a filename to save as", wildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT},
            &choice)) {
        return "";
    }
    return OutputSavePath(ToUtf8(choice.path), choice.filterIndex, extension);
}

// A handout export says so only once the whole file is in place.
void ExportHandouts(wxWindow* parent, MultiDaySchedule& schedule, bool teachers) {
    const std::string path = ChooseSavePath(parent, kTextWildcard, ".txt");
    if (path.empty()) {
        return;
    }
    PrintRendererFile renderer(path.c_str());
    if (!renderer.IsOK()) {
        return;
    }
    const bool printed =
        teachers ? PrintTeachers(schedule, &renderer) : PrintParents(schedule, &renderer);
    if (printed && renderer.Close()) {
        ReportMessage(SeverityInformation, "Exported successfully");
    }
}

}  // namespace

void QuillmootFrame::BindOutputCommands() {
    // Every output command needs a loaded event; without one it does nothing.
    auto withSchedule = [this](std::function<void(MultiDaySchedule&, Event&)> run) {
        return [this, run] {
            MultiDaySchedule* schedule = controller_.GetSchedule();
            if (schedule != nullptr && schedule->GetEvent()) {
                run(*schedule, *schedule->GetEvent());
            }
        };
    };
    BindCommand(ID_PRINT_SETTINGS, withSchedule([this](MultiDaySchedule&, Event& event) {
                    PrintSettingsDlg dialog(this, &event.GetPrintSettings(), &controller_,
                                            "Default options for all print jobs:");
                    dialog.ShowModal();
                }));
    BindCommand(ID_PRINT, withSchedule([this](MultiDaySchedule&, Event& event) {
                    if (ConfirmOutputRun(OutputRun::Print, &event.GetPrintSettings())) {
                        QMPrintout printout(&controller_, event.GetPrintSettings());
                        PrintWithDialog(this, &printout);
                    }
                }));
    auto preview = withSchedule(
        [this](MultiDaySchedule&, Event& event) { ShowPrintPreview(&event.GetPrintSettings()); });
    // One person's handout; the event's own settings stay as they are.
    BindCommand(
        ID_PRINT_PREVIEW_SELECTED, withSchedule([this](MultiDaySchedule&, Event& event) {
            const Person* person = tree_ ? tree_->GetSelectedObject() : nullptr;
            if (person == nullptr) {
                return;
            }
            PrintSettings settings = event.GetPrintSettings();
            const PersonKind kind = person->GetKind();
            const bool teacher = kind == PersonKind::Teacher;
            const int index =
                teacher ? event.GetTeachers().IndexOf(static_cast<const Teacher*>(person))
                : kind == PersonKind::Parent
                    ? event.GetParents().IndexOf(static_cast<const Parent*>(person))
                    : event.GetParents().IndexOfParentOfPupil(static_cast<const Pupil*>(person));
            // A negative index would select everybody.
            if (index < 0) {
                return;
            }
            if (teacher) {
                settings.SelectSingleTeacher(index);
            } else {
                settings.SelectSingleParent(index);
            }
            ShowPrintPreview(&settings);
        }));
    BindCommand(ID_PRINT_PREVIEW, preview);
    BindCommand(ID_TOOL_PRINT, preview);
    BindCommand(ID_PRINT_TO_PDF, withSchedule([this](MultiDaySchedule&, Event& event) {
                    if (!ConfirmOutputRun(OutputRun::Print, &event.GetPrintSettings())) {
                        return;
                    }
                    const std::string path = ChooseSavePath(this, kPdfWildcard, ".pdf");
                    if (path.empty()) {
                        return;
                    }
                    PDFPrintout pdf(&controller_, event.GetPrintSettings());
                    if (pdf.CreatePDF(path.c_str())) {
                        ReportMessage(SeverityInformation, "PDF file created successfully");
                    }
                }));
    BindCommand(ID_EXPORT_TEACHERS, withSchedule([this](MultiDaySchedule&, Event& event) {
                    const std::string path = ChooseSavePath(this, kCsvWildcard, ".csv");
                    if (!path.empty()) {
                        event.GetTeachers().ExportCSV(path);
                    }
                }));
    BindCommand(ID_EXPORT_PUPILS, withSchedule([this](MultiDaySchedule&, Event& event) {
                    const std::string path = ChooseSavePath(this, kCsvWildcard, ".csv");
                    if (!path.empty()) {
                        event.GetParents().ExportCSV(path);
                    }
                }));
    BindCommand(ID_EXPORT_APPOINTMENTS, withSchedule([this](MultiDaySchedule& schedule, Event&) {
                    const std::string path = ChooseSavePath(this, kCsvWildcard, ".csv");
                    if (!path.empty()) {
                        schedule.ExportCSV(path);
                    }
                }));
    BindCommand(ID_EXPORT_TEACHER_HANDOUTS,
                withSchedule([this](MultiDaySchedule& schedule, Event&) {
                    ExportHandouts(this, schedule, true);
                }));
    BindCommand(ID_EXPORT_PARENT_HANDOUTS, withSchedule([this](MultiDaySchedule& schedule, Event&) {
                    ExportHandouts(this, schedule, false);
                }));
    const std::pair<int, std::pair<const char*, std::string (MultiDaySchedule::*)() const>>
        reports[] = {
            {ID_REPORT_TEACHERS_WITHOUT_APPOINTMENTS,
             {"Teachers with no appointments",
              &MultiDaySchedule::ReportTeachersWithoutAppointments}},
            {ID_REPORT_PARENTS_WITHOUT_APPOINTMENTS,
             {"Parents with no appointments", &MultiDaySchedule::ReportParentsWithoutAppointments}},
            {ID_REPORT_PUPILS_WITHOUT_APPOINTMENTS,
             {"Pupils with no appointments", &MultiDaySchedule::ReportPupilsWithoutAppointments}},
            {ID_REPORT_TEACHERS_WITH_APPOINTMENTS,
             {"Teachers with appointments", &MultiDaySchedule::ReportTeachersWithAppointments}},
            {ID_REPORT_UNBOOKED_APPOINTMENTS,
             {"Unbooked appointments", &MultiDaySchedule::ReportUnbookedRequests}},
        };
    for (const auto& [id, report] : reports) {
        // Plain names: clang 14 cannot capture structured bindings.
        const char* title = report.first;
        const auto make = report.second;
        BindCommand(id, withSchedule([this, title, make](MultiDaySchedule& schedule, Event&) {
                        ReportDlg dialog(this, title, (schedule.*make)());
                        dialog.ShowModal();
                    }));
    }
}

bool QuillmootFrame::ConfirmOutputRun(OutputRun run, PrintSettings* settings) {
    // It may lock the event.
    const ChangeScope change(*this);
    MultiDaySchedule* schedule = controller_.GetSchedule();
    if (schedule == nullptr || !schedule->GetEvent()) {
        return false;
    }
    Event& event = *schedule->GetEvent();
    const std::string question =
        OutputRunQuestion(schedule->AllRequestsBooked(), schedule->GetScore().IsLow(), run);
    if (!question.empty() && !AskYesNo(question)) {
        return false;
    }
    PrintSettings& options = settings != nullptr ? *settings : event.GetPrintSettings();
    if (run == OutputRun::Email) {
        if (!emailOptionsEditor_ || !emailOptionsEditor_(this, options)) {
            return false;
        }
    } else {
        PrintSettingsDlg dialog(this, &options, &controller_,
                                "Please confirm options for this print job before continuing:");
        if (dialog.ShowModal() != wxID_OK) {
            return false;
        }
    }
    if (!event.IsLocked() &&
        AskYesNo("At this point it is recommended that you lock the schedule to prevent further "
                 "accidental modification. Lock the schedule?")) {
        LockSchedule();
    }
    return true;
}

void QuillmootFrame::ShowPrintPreview(PrintSettings* settings) {
    MultiDaySchedule* schedule = controller_.GetSchedule();
    if (schedule == nullptr || !schedule->GetEvent()) {
        return;
    }
    PrintSettings& options =
        settings != nullptr ? *settings : schedule->GetEvent()->GetPrintSettings();
    if (!ConfirmOutputRun(OutputRun::Print, &options)) {
        return;
    }
    auto* preview = new wxPrintPreview(new QMPrintout(&controller_, options),
                                       new QMPrintout(&controller_, options));
    ShowPreviewWindow(this, preview);
}
