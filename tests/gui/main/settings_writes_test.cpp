#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <functional>

#include "app/user_settings.h"
#include "frame_fixture.h"
#include "gui/main/frame_commands.h"
#include "gui/support/answer_dialogs.h"
#include "import/wx/import_dlg.h"
#include "import/wx/sims_details_dlg.h"
#include "import/wx/sims_progress_dlg.h"
#include "print/wx/print_settings_dlg.h"

namespace {

class SettingsWrites : public CommandWindow {};

TEST_F(SettingsWrites, AnActionThatChangesSeveralIsOneMessageWhenTheFileCannotBeWritten) {
    struct Road {
        const char* name;
        std::function<void()> run;
    };
    const Road roads[] = {
        {"advanced print settings' OK",
         [this] {
             QMController& controller = Controller();
             PrintSettingsAdvDlg dialog(TopWindow(), &controller.GetEvent()->GetPrintSettings(),
                                        &controller, "");
             dialog.GetCalendarButton(1)->SetValue(true);
             dialog.GetParentScriptField()->SetValue("parent.lua");
             dialog.GetTeacherScriptField()->SetValue("teacher.lua");
             EXPECT_TRUE(dialog.TransferDataFromWindow());
         }},
        {"SIMS details' OK",
         [this] {
             ImportDlg dialog(TopWindow(), &Controller(), PeopleImport::Teachers);
             // The details changed go back; the run itself is cancelled.
             AnswerDialogs answer([](wxDialog* shown) {
                 if (auto* details = dynamic_cast<SIMSCommandReporterDlg*>(shown)) {
                     using Field = SIMSCommandReporterDlg::Field;
                     for (const auto& [field, value] :
                          {std::pair{Field::Executable, "/bin/sh"},
                           std::pair{Field::UserName, "office"}, std::pair{Field::Password, "pw"},
                           std::pair{Field::ReportName, "Staff"}}) {
                         details->GetField(field)->SetValue(value);
                     }
                     EXPECT_TRUE(details->TransferDataFromWindow());
                 }
                 return dynamic_cast<SIMSCRProgressDlg*>(shown) != nullptr ? int{wxID_CANCEL}
                                                                           : int{wxID_OK};
             });
             EXPECT_FALSE(dialog.ImportFromSIMS());
         }},
        {"a script's run",
         [this] {
             prompts_.Choose(
                 FromUtf8(folder_.Write("settings.lua",
                                        "function main()\n"
                                        "  qm_usersettingsset('first', 'one')\n"
                                        "  qm_usersettingsset('second', 'two')\n"
                                        "  qm_usersettingsdel('sims_command_reporter_username')\n"
                                        "  return 1\n"
                                        "end\n")));
             AnswerDialogs answer([](wxDialog*) { return int{wxID_OK}; });
             EXPECT_TRUE(host_->RunCommand(CommandId::RunScriptedReport));
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        Open(Example());
        UserSettings& settings = Controller().GetUserSettings();
        for (const char* key :
             {"sims_command_reporter_executable", "sims_command_reporter_username",
              "sims_command_reporter_servername", "sims_command_reporter_databasename"}) {
            ASSERT_TRUE(settings.Set(key, "kept"));
        }
        // A folder in the file's place: every write of it fails.
        std::filesystem::remove(SettingsPath());
        std::filesystem::create_directory(SettingsPath());
        prompts_.shown.clear();
        road.run();
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Cannot save to file '" +
                                                    SettingsPath() + "': Is a directory"});
        EXPECT_TRUE(settings.IsModified()) << "the changes wait for a file that takes them";
        std::filesystem::remove(SettingsPath());
        host_.reset();
    }
}

}  // namespace
