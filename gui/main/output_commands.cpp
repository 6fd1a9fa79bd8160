#include <wx/filedlg.h>
#include <wx/print.h>

#include <memory>

#include "app/qm_controller.h"
#include "app/script_run.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/command_context.h"
#include "gui/main/event_file_names.h"
#include "gui/main/file_commands.h"
#include "gui/main/frame_commands.h"
#include "gui/main/output_commands.h"
#include "gui/main/schedule_commands.h"
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

constexpr const char* kPreviewStopped =
    "Script stopped by the user: the print preview was not opened";

// The path a save dialog chose, or "" when it was cancelled or the user would not replace the
// file its added extension names.
std::string ChooseSavePath(wxWindow* parent, const char* wildcard, const char* extension) {
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(
            parent, {"Choose a filename to save as", wildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT},
            &choice)) {
        return "";
    }
    const std::string chosen = ToUtf8(choice.path);
    const std::string path = OutputSavePath(chosen, choice.filterIndex, extension);
    return MayWriteSavePath(parent, chosen, path) ? path : "";
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

// Every output command needs a loaded event; without one it does nothing.
std::function<void(const CommandContext&)> WithSchedule(void (*run)(const CommandContext&,
                                                                    MultiDaySchedule&, Event&)) {
    return [run](const CommandContext& context) {
        if (MultiDaySchedule* schedule = ScheduleWithEvent(context)) {
            run(context, *schedule, *schedule->GetEvent());
        }
    };
}

// A report's window over the text that the schedule's member makes.
template <std::string (MultiDaySchedule::*make)() const>
void ShowReport(const CommandContext& context, const char* title) {
    if (MultiDaySchedule* schedule = ScheduleWithEvent(context)) {
        ReportDlg dialog(context.parent, title, (schedule->*make)());
        dialog.ShowModal();
    }
}

template <class List>
void ExportList(const CommandContext& context, List& list) {
    const std::string path = ChooseSavePath(context.parent, kCsvWildcard, ".csv");
    if (!path.empty()) {
        list.ExportCSV(path);
    }
}

}  // namespace

const CommandFamily& OutputCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    using S = MultiDaySchedule;
    static const auto preview = WithSchedule(
        [](X context, S&, Event& event) { ShowPrintPreview(context, &event.GetPrintSettings()); });
    static const CommandFamily family = {
        {C::PrintSettings, "P&rint Settings...", "Change how the printouts look", N::Loaded,
         WithSchedule([](X context, S&, Event& event) {
             PrintSettingsDlg dialog(context.parent, &event.GetPrintSettings(), &context.controller,
                                     "Default options for all print jobs:");
             dialog.ShowModal();
         })},
        {C::Print, "&Print...", "Print the current schedule", N::Loaded,
         WithSchedule([](X context, S&, Event& event) {
             if (ConfirmOutputRun(context, OutputRun::Print, &event.GetPrintSettings())) {
                 QMPrintout printout(&context.controller, event.GetPrintSettings());
                 // Without the scripts the user stopped as they loaded, the paper would pass
                 // for the handouts.
                 if (printout.WasStopped()) {
                     ReportMessage(SeverityError, QMPrintout::kStoppedText);
                 } else {
                     PrintWithDialog(context.parent, &printout);
                 }
             }
         })},
        {C::PrintToPdf, "Print to PD&F...", "Print the current schedule to a PDF file", N::Loaded,
         WithSchedule([](X context, S&, Event& event) {
             if (!ConfirmOutputRun(context, OutputRun::Print, &event.GetPrintSettings())) {
                 return;
             }
             const std::string path = ChooseSavePath(context.parent, kPdfWildcard, ".pdf");
             if (path.empty()) {
                 return;
             }
             PDFPrintout pdf(&context.controller, event.GetPrintSettings());
             if (pdf.CreatePDF(path.c_str())) {
                 ReportMessage(SeverityInformation, "PDF file created successfully");
             }
         })},
        {C::PrintPreview, "Print Previe&w...", "Preview what a printout would look like", N::Loaded,
         preview},
        {C::ToolPrint, "Print", "Print the current event", N::Loaded, preview},
        // One person's handout; the event's own settings stay as they are.
        {C::PrintPreviewSelected, "&Print Teacher Handout",
         "Print the handout for the selected teacher", N::Nothing,
         WithSchedule([](X context, S&, Event& event) {
             const Person* person = context.selection.GetSelectedObject();
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
             ShowPrintPreview(context, &settings);
         })},
        {C::ExportTeachers, "Export &Teachers to File...", "Export the teachers to a file",
         N::Loaded, WithSchedule([](X context, S&, Event& event) {
             ExportList(context, event.GetTeachers());
         })},
        {C::ExportPupils, "Export &Pupils to File...", "Export the parents and pupils to a file",
         N::Loaded, WithSchedule([](X context, S&, Event& event) {
             ExportList(context, event.GetParents());
         })},
        {C::ExportAppointments, "Export &Appointments to File...",
         "Export the appointments to a file", N::Loaded,
         WithSchedule([](X context, S& schedule, Event&) { ExportList(context, schedule); })},
        {C::ExportTeacherHandouts, "Export Teacher Handouts...",
         "Export the teacher handouts to a file", N::Loaded,
         WithSchedule([](X context, S& schedule, Event&) {
             ExportHandouts(context.parent, schedule, true);
         })},
        {C::ExportParentHandouts, "Export Parent Handouts...",
         "Export the parent handouts to a file", N::Loaded,
         WithSchedule([](X context, S& schedule, Event&) {
             ExportHandouts(context.parent, schedule, false);
         })},
        {C::ReportTeachersWithoutAppointments, "&Teachers with no appointments...",
         "Report on all teachers who have no appointments", N::Loaded,
         [](X context) {
             ShowReport<&S::ReportTeachersWithoutAppointments>(context,
                                                               "Teachers with no appointments");
         }},
        {C::ReportParentsWithoutAppointments, "&Parents with no appointments...",
         "Report on all parents who have no appointments", N::Loaded,
         [](X context) {
             ShowReport<&S::ReportParentsWithoutAppointments>(context,
                                                              "Parents with no appointments");
         }},
        {C::ReportPupilsWithoutAppointments, "P&upils with no appointments...",
         "Report on all pupils who have no appointments", N::Loaded,
         [](X context) {
             ShowReport<&S::ReportPupilsWithoutAppointments>(context,
                                                             "Pupils with no appointments");
         }},
        {C::ReportTeachersWithAppointments, "Teachers with &appointments...",
         "Report on all teachers who have appointments", N::Loaded,
         [](X context) {
             ShowReport<&S::ReportTeachersWithAppointments>(context, "Teachers with appointments");
         }},
        {C::ReportUnbookedAppointments, "Un&booked appointments...",
         "Report on appointments that are not yet booked", N::Loaded,
         [](X context) {
             ShowReport<&S::ReportUnbookedRequests>(context, "Unbooked appointments");
         }},
    };
    return family;
}

bool ConfirmOutputRun(const CommandContext& context, OutputRun run, PrintSettings* settings) {
    // It may lock the event.
    const QMController::ChangeScope change(context.controller);
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (schedule == nullptr) {
        return false;
    }
    Event& event = *schedule->GetEvent();
    const std::string question =
        OutputRunQuestion(schedule->AllRequestsBooked(), schedule->GetScore().IsLow(), run);
    if (!question.empty() && !AskYesNo(context.parent, question)) {
        return false;
    }
    PrintSettings& options = settings != nullptr ? *settings : event.GetPrintSettings();
    if (run == OutputRun::Email) {
        if (!context.emailOptionsEditor ||
            !context.emailOptionsEditor(context.parent, schedule->GetEvent(), options)) {
            return false;
        }
    } else {
        PrintSettingsDlg dialog(context.parent, &options, &context.controller,
                                "Please confirm options for this print job before continuing:");
        if (dialog.ShowModal() != wxID_OK) {
            return false;
        }
    }
    if (!event.IsLocked() &&
        AskYesNo(context.parent,
                 "At this point it is recommended that you lock the schedule to prevent further "
                 "accidental modification. Lock the schedule?")) {
        LockSchedule(*schedule);
    }
    return true;
}

void ShowPrintPreview(const CommandContext& context, PrintSettings* settings) {
    MultiDaySchedule* schedule = ScheduleWithEvent(context);
    if (schedule == nullptr) {
        return;
    }
    PrintSettings& options =
        settings != nullptr ? *settings : schedule->GetEvent()->GetPrintSettings();
    if (!ConfirmOutputRun(context, OutputRun::Print, &options)) {
        return;
    }
    wxPrintPreview* preview = nullptr;
    bool stopped = false;
    {
        // One Stop for the shown printout's scripts as they load and as the preview measures.
        const ScriptRun run(&context.controller);
        auto* shown = new QMPrintout(&context.controller, options);
        // Its scripts load only if the user prints from the preview.
        auto* printing =
            new QMPrintout(&context.controller, options, QMPrintout::ScriptLoad::WhenLaidOut);
        preview = new wxPrintPreview(shown, printing);
        stopped = shown->WasStopped() || printing->WasStopped();
        if (stopped) {
            delete preview;
        }
    }
    if (stopped) {
        ReportMessage(SeverityError, kPreviewStopped);
        return;
    }
    ShowPreviewWindow(context.parent, preview);
}
