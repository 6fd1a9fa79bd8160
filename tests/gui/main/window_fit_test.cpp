// Every window at 96 and 144 dpi: no control narrower than its text needs, no tree label cut,
// and each dialog with a field to type in starts with the keyboard there.
#include <gtest/gtest.h>
#include <wx/anybutton.h>
#include <wx/checkbox.h>
#include <wx/ctrlsub.h>
#include <wx/evtloop.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>
#include <wx/utils.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "comms/wx/login_dlg.h"
#include "foundation/files.h"
#include "frame_fixture.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/edit_overview_dlg.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/dialogs/string_entry_dlg.h"
#include "gui/dialogs/time_entry.h"
#include "gui/main/event_summary_pane.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/presentation_dlg.h"
#include "gui/people/pupil_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_break_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/people/teacher_entry_dlg.h"
#include "gui/support/screen_dpi.h"
#include "import/sims_command_reporter.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_priority_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "import/wx/sims_details_dlg.h"
#include "model/importer_csv.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "print/wx/print_settings_dlg.h"

namespace {

// What the test needs of one dialog: how to make it and, when it has one, the field the
// keyboard must start in.
struct DialogCase {
    std::string name;
    std::function<wxDialog*()> make;
    std::function<wxWindow*(wxDialog*)> firstField;
};

template <typename Dialog>
std::function<wxWindow*(wxDialog*)> Field(wxWindow* (*get)(Dialog*)) {
    return [get](wxDialog* dialog) { return get(dynamic_cast<Dialog*>(dialog)); };
}

class WindowFit : public MainWindow {
protected:
    // The booked example over its two days, its user's settings and what the import and print
    // dialogs read.
    // dpi: the main window is as large as 1200 x 800 design pixels.
    void OpenExample(int dpi = 96) {
        schedule_ = OpenBookedExample();
        ASSERT_NE(schedule_, nullptr);
        ASSERT_EQ(schedule_->GetDayCount(), 2u);
        frame_->SetSize(0, 0, 1200 * dpi / 96, 800 * dpi / 96);
        frame_->Show();
        Settle(frame_);
    }

    std::vector<DialogCase> Dialogs() {
        QMControllerWX& controller = frame_->GetController();
        Event& event = *schedule_->GetEvent();
        Parent* parent = event.GetParents().FindByKey("FAM1004");
        Pupil* pupil = parent->GetPupil(0);
        Teacher* teacher = event.GetTeachers().At(0);
        Presentation* talk = event.GetPresentations().GetPresentation(0);
        fresh_.SetDate(schedule_->GetDay(0)->GetDate());
        fresh_.SetTimes(schedule_->GetDay(0)->GetStartTime(), schedule_->GetDay(0)->SlotToTime(1));
        const std::string csv = folder_.Write("pupils.csv", "Forename,Surname,Form\nAmy,Lee,7B\n");
        csvFile_ = std::make_unique<StdioFile>(csv.c_str(), "rb");
        reporter_.executable = "/opt/sims/CommandReporter.exe";
        reporter_.reportName = "Pupils with contacts";
        wxFrame* top = frame_;
        return {
            {"teacher",
             [=, this] { return new TeacherDlg(top, schedule_, teacher, EditMode::Edit); },
             Field<TeacherDlg>([](TeacherDlg* d) -> wxWindow* { return d->GetNameText(); })},
            {"new teacher",
             [=, this] {
                 newTeacher_ = std::make_unique<Teacher>();
                 newTeacher_->ResetAttendanceAllDays(schedule_);
                 return new TeacherDlg(top, schedule_, newTeacher_.get(), EditMode::Add);
             },
             Field<TeacherDlg>([](TeacherDlg* d) -> wxWindow* { return d->GetNameText(); })},
            {"parent", [=, this] { return new ParentDlg(top, parent, schedule_, EditMode::Edit); },
             Field<ParentDlg>([](ParentDlg* d) -> wxWindow* { return d->GetNameText(); })},
            {"pupil", [=, this] { return new PupilDlg(top, parent, pupil, schedule_); },
             Field<PupilDlg>([](PupilDlg* d) -> wxWindow* { return d->GetNameText(); })},
            {"new presentation",
             [=, this] { return new PresentationDlg(top, EditMode::Add, &fresh_, schedule_); },
             Field<PresentationDlg>(
                 [](PresentationDlg* d) -> wxWindow* { return d->GetTitleText(); })},
            {"presentation",
             [=, this] { return new PresentationDlg(top, EditMode::Edit, talk, schedule_); },
             Field<PresentationDlg>(
                 [](PresentationDlg* d) -> wxWindow* { return d->GetTitleText(); })},
            {"teacher breaks", [=, this] { return new TeacherBreakDlg(top, schedule_); },
             Field<TeacherBreakDlg>(
                 [](TeacherBreakDlg* d) -> wxWindow* { return d->GetTimeCombo(); })},
            {"time",
             [=, this] {
                 return new TimeEntryDlg(top, "Enter break time",
                                         "Please enter the time of the break:", schedule_);
             },
             Field<TimeEntryDlg>([](TimeEntryDlg* d) -> wxWindow* { return d->GetTimeCombo(); })},
            {"request",
             [=, &event] {
                 return new TeacherEntryDlg(top, &event.GetTeachers(), nullptr,
                                            "Please choose a teacher -", 0);
             },
             Field<TeacherEntryDlg>(
                 [](TeacherEntryDlg* d) -> wxWindow* { return d->GetTeacherCombo(); })},
            {"request edit",
             [=, &event] {
                 return new TeacherEntryDlg(top, &event.GetTeachers(), pupil->GetRequest(0),
                                            "Please choose a teacher -", 0);
             },
             nullptr},
            {"event settings",
             [=, this, &controller] { return new NewEventDlg(top, schedule_, &controller); },
             Field<NewEventDlg>([](NewEventDlg* d) -> wxWindow* { return d->GetNameBox(); })},
            {"text", [=] { return new StringEntryDlg(top, "Enter subject", "Please enter:"); },
             Field<StringEntryDlg>([](StringEntryDlg* d) -> wxWindow* { return d->GetTextBox(); })},
            {"scoring", [=, this] { return new EditScoringDlg(top, schedule_->GetEvent()); },
             nullptr},
            {"overview colours",
             [=, &controller] { return new EditOverviewDlg(top, &controller.GetUserSettings()); },
             nullptr},
            {"presentations attended",
             [=, this] { return new AttendeePresDlg(top, parent, schedule_); }, nullptr},
            {"pupil appointments", [=, this] { return new ApptEntryDlg(top, schedule_, pupil); },
             nullptr},
            {"teacher appointments",
             [=, this] { return new TApptEntryDlg(top, schedule_, teacher); }, nullptr},
            {"optimiser", [=, &controller] { return new OptimiseDlg(top, &controller); }, nullptr},
            {"report",
             [=] { return new ReportDlg(top, "Unbooked appointments", "Mr A to see Mrs B\n"); },
             nullptr},
            {"about", [=] { return new AboutDlg(top); }, nullptr},
            {"print settings",
             [=, &controller, &event] {
                 return new PrintSettingsDlg(top, &event.GetPrintSettings(), &controller,
                                             "Default options:");
             },
             nullptr},
            {"print appearance",
             [=, &controller, &event] {
                 return new PrintSettingsAdvDlg(top, &event.GetPrintSettings(), &controller,
                                                "Default settings for event");
             },
             nullptr},
            {"email server",
             [=, this, &event] {
                 server_ = event.GetEmailServerSettings();
                 return new EmailServerDlg(top, &server_);
             },
             nullptr},
            {"email run",
             [=, this] {
                 return new EmailSettingsDlg(top, schedule_->GetEvent(),
                                             &schedule_->GetEvent()->GetPrintSettings(),
                                             "Please confirm options for this email run:");
             },
             nullptr},
            {"email text",
             [=, this] {
                 return new EmailTextDlg(top, schedule_->GetEvent(), EmailResults, EmailToTeacher);
             },
             nullptr},
            // A known user is asked for the password alone.
            {"login",
             [=] {
                 return new LoginDlg(top, "office", "",
                                     "Login to server \"smtp.example\":", LoginUserName);
             },
             Field<LoginDlg>([](LoginDlg* d) -> wxWindow* { return d->GetPasswordField(); })},
            {"login without a name",
             [=] {
                 return new LoginDlg(top, "", "",
                                     "Login to server \"smtp.example\":", LoginUserName);
             },
             Field<LoginDlg>([](LoginDlg* d) -> wxWindow* { return d->GetNameField(); })},
            {"import",
             [=, &controller] { return new ImportDlg(top, &controller, PeopleImport::Teachers); },
             nullptr},
            {"import columns",
             [=, this] { return new DefineCSVDlg(top, csvFile_.get(), &mapping_); }, nullptr},
            {"import priority", [=] { return new ImportPTPrioDlg(top); }, nullptr},
            {"import progress", [=] { return new ImportProgressDlg(top, nullptr); }, nullptr},
            {"school system", [=, this] { return new SIMSCommandReporterDlg(top, &reporter_); },
             nullptr},
        };
    }

    // Shown, raised and painted, as a user would first see it.
    static void Settle(wxWindow* window) {
        window->Show();
        window->Raise();
        for (int round = 0; round < 5; ++round) {
            window->Update();
            if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
                loop->YieldFor(wxEVT_CATEGORY_ALL);
            }
            ProcessPending();
        }
    }

    // Every control below window that shows its own text is at least as wide as that text.
    static void ExpectNothingNarrow(wxWindow* window, const std::string& where) {
        for (wxWindow* child : window->GetChildren()) {
            if (child->IsTopLevel() || !child->IsShown()) {
                continue;
            }
            const bool showsText =
                dynamic_cast<wxStaticText*>(child) || dynamic_cast<wxAnyButton*>(child) ||
                dynamic_cast<wxCheckBox*>(child) || dynamic_cast<wxRadioButton*>(child) ||
                dynamic_cast<wxControlWithItems*>(child) || dynamic_cast<wxHyperlinkCtrl*>(child);
            if (showsText) {
                child->InvalidateBestSize();
                EXPECT_GE(child->GetSize().x, child->GetBestSize().x)
                    << where << ": " << child->GetClassInfo()->GetClassName() << " '"
                    << ToUtf8(child->GetLabel()) << "'";
            }
            ExpectNothingNarrow(child, where);
        }
    }

    // Every label of the open branches ends inside the tree.
    static void ExpectLabelsWhole(wxTreeCtrl& tree, const wxTreeItemId& item) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree.GetFirstChild(item, cookie); child.IsOk();
             child = tree.GetNextChild(item, cookie)) {
            wxRect label;
            if (tree.GetBoundingRect(child, label, true)) {
                EXPECT_LE(label.GetRight(), tree.GetClientSize().x)
                    << "tree label '" << ToUtf8(tree.GetItemText(child)) << "'";
            }
            if (tree.IsExpanded(child)) {
                ExpectLabelsWhole(tree, child);
            }
        }
    }

    MultiDaySchedule* schedule_ = nullptr;
    Presentation fresh_;
    std::unique_ptr<Teacher> newTeacher_;
    std::unique_ptr<StdioFile> csvFile_;
    ImporterCSVMapping mapping_{true};
    SIMSCommandReporter reporter_;
    EmailServerSettings server_;
};

TEST_F(WindowFit, NoTextIsCutAt96Or144Dpi) {
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi");
        ScreenDpi screen(dpi);
        OpenExample(dpi);
        // The locked event's summary is the longest.
        LockSchedule(*frame_->GetController().GetSchedule());
        frame_->RefreshViews();
        Settle(frame_);
        ExpectNothingNarrow(frame_->GetSummaryPane(), "summary");
        auto* tree = dynamic_cast<wxTreeCtrl*>(frame_->GetTree()->GetWindow());
        ASSERT_NE(tree, nullptr);
        wxTreeItemIdValue cookie;
        for (wxTreeItemId branch = tree->GetFirstChild(tree->GetRootItem(), cookie); branch.IsOk();
             branch = tree->GetNextChild(tree->GetRootItem(), cookie)) {
            tree->Expand(branch);
        }
        Settle(frame_);
        ExpectLabelsWhole(*tree, tree->GetRootItem());

        for (const DialogCase& c : Dialogs()) {
            SCOPED_TRACE(c.name);
            wxDialog* dialog = c.make();
            Settle(dialog);
            // The display under test is the 96-dpi one, which a window is kept inside; a screen
            // of the higher resolution has the room the dialog asks for.
            const wxSize needed = dialog->GetSizer()->GetMinSize();
            const wxSize room = dialog->GetClientSize();
            if (room.x < needed.x || room.y < needed.y) {
                dialog->GetSizer()->SetDimension(wxPoint(0, 0), needed);
            }
            ExpectNothingNarrow(dialog, c.name);
            dialog->Destroy();
            ProcessPending();
        }
        frame_->Destroy();
        ProcessPending();
    }
}

TEST_F(WindowFit, EachDialogStartsOnItsFirstField) {
    OpenExample();
    for (const DialogCase& c : Dialogs()) {
        if (!c.firstField) {
            continue;
        }
        SCOPED_TRACE(c.name);
        wxDialog* dialog = c.make();
        Settle(dialog);
        wxWindow* expected = c.firstField(dialog);
        ASSERT_NE(expected, nullptr);
        // Other programs on the display may hold the keyboard for a moment: wait until the
        // dialog has it, then see which of its windows does.
        wxWindow* focus = wxWindow::FindFocus();
        for (int round = 0; round < 100 && (!focus || wxGetTopLevelParent(focus) != dialog);
             ++round) {
            dialog->Raise();
            Settle(dialog);
            wxMilliSleep(20);
            focus = wxWindow::FindFocus();
        }
        // A combo box's text entry is a window of its own.
        EXPECT_TRUE(focus == expected || (focus != nullptr && focus->GetParent() == expected))
            << "focus on " << (focus ? ToUtf8(focus->GetLabel()) : std::string("nothing"));
        dialog->Destroy();
        ProcessPending();
    }
}

}  // namespace
