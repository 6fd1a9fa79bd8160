#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <clocale>
#include <cstdlib>
#include <functional>

#include "app/qm_controller.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/support/answer_dialogs.h"
#include "gui/support/gui_test.h"
#include "gui/support/user_input.h"
#include "model/print_settings.h"
#include "print/wx/print_settings_dlg.h"

namespace {

constexpr const char* kNothingSelected =
    "Nothing is selected for printing, please choose the printouts you wish to produce and try "
    "again";
constexpr const char* kBadPointSize =
    "An invalid point size has been entered for the small font, please correct this and try "
    "again";

class PrintDialogs : public GuiTest {
protected:
    PrintDialogs() { controller_.Initialise(); }

    static void Choose(wxRadioButton* button) {
        button->SetValue(true);
        wxCommandEvent event(wxEVT_RADIOBUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
    }
    UserSettings& User() { return controller_.GetUserSettings(); }

    QMController controller_;
    PrintSettings settings_;
};

TEST(PointSize, IsReadAndShownInTheCLocaleWhateverTheDesktopUses) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        SCOPED_TRACE(locale);
        std::setlocale(LC_ALL, locale);
        EXPECT_EQ(FormatPointSize(7.5), "7.5");
        EXPECT_EQ(FormatPointSize(6), "6.0");
        struct Case {
            const char* text;
            double points;
        };
        for (const Case& c :
             {Case{"7.5", 7.5}, Case{" 8 ", 8}, Case{"+9.25", 9.25}, Case{"-2", -2}, Case{"0", 0},
              Case{"7.5pt", 7.5}, Case{"8 points", 8}, Case{"7 ,5", 7}, Case{"abc", 0}, Case{"", 0},
              Case{"7,5", 0}, Case{"inf", 0}, Case{"nan", 0}, Case{"1e999", 0}, Case{"0x8", 8}}) {
            SCOPED_TRACE(c.text);
            EXPECT_DOUBLE_EQ(ParsePointSize(c.text), c.points);
        }
    }
    std::setlocale(LC_ALL, previous.c_str());
}

TEST_F(PrintDialogs, SettingsShowInTheBoxesAndOKCopiesThemBack) {
    settings_.SetTeacherOverviews(true);
    settings_.SetListUnbooked(false);
    PrintSettingsDlg dialog(TopWindow(), &settings_, &controller_, "Default options:");
    EXPECT_EQ(dialog.GetTitle(), "Print Settings");
    const bool shown[] = {true, true, true, true, true, true, false};
    const char* labels[] = {"Teacher Handouts",
                            "Parent Handouts",
                            "Teacher Overviews",
                            "Parent Overviews",
                            "Include sheets that have been emailed already",
                            "Include teacher breaks",
                            "List unbooked appointments"};
    for (int i = 0; i < PrintSettingsDlg::kBoxCount; ++i) {
        SCOPED_TRACE(labels[i]);
        EXPECT_EQ(dialog.GetBox(i)->GetLabel(), labels[i]);
        EXPECT_EQ(dialog.GetBox(i)->GetValue(), shown[i]);
        Tick(dialog.GetBox(i), !shown[i]);
    }
    // Only the e-mail settings' pupils flag lets a run with no printout through.
    settings_.SetPupils(true);
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_FALSE(settings_.GetTeachers());
    EXPECT_FALSE(settings_.GetParents());
    EXPECT_FALSE(settings_.GetTeacherOverviews());
    EXPECT_FALSE(settings_.GetParentOverviews());
    EXPECT_FALSE(settings_.GetIncludeAlreadySent());
    EXPECT_FALSE(settings_.GetTeacherBreaks());
    EXPECT_TRUE(settings_.GetListUnbooked());
    EXPECT_TRUE(settings_.IsModified());
}

TEST_F(PrintDialogs, SomethingMustBeSelectedForPrinting) {
    struct Case {
        const char* name;
        bool boxes[4];
        bool pupils;
        bool accepted;
    };
    const Case cases[] = {
        {"nothing", {false, false, false, false}, false, false},
        {"only the pupils of the e-mail settings", {false, false, false, false}, true, true},
        {"only parent overviews", {false, false, false, true}, false, true},
        {"only teacher handouts", {true, false, false, false}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.entries.clear();
        PrintSettings settings;
        settings.SetPupils(c.pupils);
        PrintSettingsDlg dialog(TopWindow(), &settings, &controller_, "");
        for (int i = 0; i < 4; ++i) {
            Tick(dialog.GetBox(i), c.boxes[i]);
        }
        EXPECT_EQ(dialog.TransferDataFromWindow(), c.accepted);
        EXPECT_EQ(sink_.Texts(), c.accepted ? std::vector<std::string>{}
                                            : std::vector<std::string>{kNothingSelected});
        if (!c.accepted) {
            EXPECT_EQ(sink_.entries.at(0).severity, SeverityError);
        }
        // A refusal copies nothing, so Cancel keeps the settings as they were.
        EXPECT_EQ(settings.GetTeachers(), c.accepted ? c.boxes[0] : true);
        EXPECT_EQ(settings.IsModified(), c.accepted);
    }
}

TEST_F(PrintDialogs, TheAdvancedButtonOpensTheAdvancedDialogOnTheSameSettings) {
    PrintSettingsDlg dialog(TopWindow(), &settings_, &controller_, "Confirm:");
    std::vector<wxString> opened;
    AnswerDialogs answer([&](wxDialog* shown) {
        opened.push_back(shown->GetTitle());
        auto* advanced = dynamic_cast<PrintSettingsAdvDlg*>(shown);
        if (advanced != nullptr) {
            Tick(advanced->GetOneParentBox(), true);
            EXPECT_TRUE(advanced->TransferDataFromWindow());
        }
        return wxID_OK;
    });
    Press(&dialog, WxId(PrintSettingsDlg::Id::Advanced));
    EXPECT_EQ(opened, std::vector<wxString>{"Advanced Print Settings"});
    EXPECT_TRUE(settings_.GetOneParentPerSheet());
}

TEST_F(PrintDialogs, AdvancedSettingsRoundTrip) {
    settings_.SetSmallFontSize(6.0);
    settings_.SetParentNotes("Bring the reports");
    {
        PrintSettingsAdvDlg dialog(TopWindow(), &settings_, &controller_, "Default options:");
        EXPECT_EQ(dialog.GetTitle(), "Advanced Print Settings");
        EXPECT_EQ(dialog.GetSizeField()->GetValue(), "6.0");
        EXPECT_TRUE(dialog.GetQRCodesBox()->GetValue());
        EXPECT_TRUE(dialog.GetOrderButton(0)->GetValue());
        EXPECT_EQ(dialog.GetParentNotesField()->GetValue(), "Bring the reports");

        Tick(dialog.GetQRCodesBox(), false);
        Tick(dialog.GetSansSerifBox(), true);
        Tick(dialog.GetSmallFontBox(), true);
        Tick(dialog.GetOneParentBox(), true);
        dialog.GetSizeField()->SetValue("7.5");
        Choose(dialog.GetOrderButton(2));
        dialog.GetParentNotesField()->SetValue(wxString::FromUTF8("Parents: café"));
        dialog.GetTeacherNotesField()->SetValue("Teachers");
        dialog.GetLogoField()->SetValue("/srv/logo.png");
        ASSERT_TRUE(dialog.TransferDataFromWindow());
    }
    EXPECT_FALSE(settings_.GetQRCodes());
    EXPECT_TRUE(settings_.GetUseSansSerif());
    EXPECT_TRUE(settings_.GetSmallTeacherFont());
    EXPECT_TRUE(settings_.GetOneParentPerSheet());
    EXPECT_DOUBLE_EQ(settings_.GetSmallFontSize(), 7.5);
    EXPECT_EQ(settings_.GetParentPrintOrder(), ParentPrintByPupilForm);
    EXPECT_EQ(settings_.GetParentNotes(), "Parents: café");
    EXPECT_EQ(settings_.GetTeacherNotes(), "Teachers");
    EXPECT_EQ(settings_.GetLogoFile(), "/srv/logo.png");
    EXPECT_TRUE(settings_.IsModified());

    PrintSettingsAdvDlg again(TopWindow(), &settings_, &controller_, "");
    EXPECT_EQ(again.GetSizeField()->GetValue(), "7.5");
    EXPECT_TRUE(again.GetOrderButton(2)->GetValue());
    EXPECT_FALSE(again.GetOrderButton(0)->GetValue());

    // A file may hold a size the box cannot show whole or would refuse: left as shown, it stays.
    for (const auto& [stored, shown] :
         {std::pair{7.25, "7.2"}, std::pair{0.0, "0.0"}, std::pair{-1.0, "-1.0"}}) {
        SCOPED_TRACE(shown);
        settings_.SetSmallFontSize(stored);
        PrintSettingsAdvDlg kept(TopWindow(), &settings_, &controller_, "");
        EXPECT_EQ(kept.GetSizeField()->GetValue(), shown);
        ASSERT_TRUE(kept.TransferDataFromWindow());
        EXPECT_DOUBLE_EQ(settings_.GetSmallFontSize(), stored);
    }
}

TEST_F(PrintDialogs, FixedWidthsScaleWithTheScreenExceptTheNotes) {
    for (const char* dpi : {"96", "120", "144"}) {
        SCOPED_TRACE(dpi);
        ScopedEnv screen(kDpiOverrideVariable, dpi);
        const double factor = std::atof(dpi) / 96.0;
        PrintSettingsAdvDlg dialog(TopWindow(), &settings_, &controller_, "");
        EXPECT_EQ(dialog.GetSizeField()->GetSize().GetWidth(), ScaleWidth(50, factor));
        EXPECT_EQ(dialog.GetLogoField()->GetSize().GetWidth(), ScaleWidth(280, factor));
        EXPECT_EQ(dialog.GetTeacherScriptField()->GetSize().GetWidth(), ScaleWidth(280, factor));
        EXPECT_EQ(dialog.GetParentNotesField()->GetSize().GetWidth(), 400);
        EXPECT_EQ(dialog.GetTeacherNotesField()->GetSize().GetWidth(), 400);
        const wxWindow* browse = dialog.FindWindow(WxId(PrintSettingsAdvDlg::Id::BrowseLogo));
        ASSERT_NE(browse, nullptr);
        EXPECT_EQ(browse->GetSize().GetWidth(), ScaleWidth(115, factor));
    }
}

TEST_F(PrintDialogs, ABadSmallFontSizeIsRefusedAndChangesNothing) {
    for (const char* size : {"0", "-1", "big", "7,5"}) {
        SCOPED_TRACE(size);
        sink_.entries.clear();
        User().SetICalendarType(0);
        PrintSettings settings;
        PrintSettingsAdvDlg dialog(TopWindow(), &settings, &controller_, "");
        dialog.GetSizeField()->SetValue(size);
        dialog.GetParentNotesField()->SetValue("not yet");
        Tick(dialog.GetOneParentBox(), true);
        Choose(dialog.GetCalendarButton(1));
        EXPECT_FALSE(dialog.TransferDataFromWindow());
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{kBadPointSize});
        EXPECT_EQ(settings.GetParentNotes(), "");
        EXPECT_FALSE(settings.GetOneParentPerSheet());
        EXPECT_FALSE(settings.IsModified());
        EXPECT_EQ(User().GetICalendarType(), 0);
    }
}

TEST_F(PrintDialogs, CalendarButtonsShowAndStoreTheUsersChoice) {
    struct Case {
        int stored;
        bool first, second;
        int choose;  // -1: leave as shown
        int after;
    };
    const Case cases[] = {
        {0, true, false, 1, 1},
        {1, false, true, 0, 0},
        {5, false, false, -1, 5},
        {5, false, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " then " + std::to_string(c.choose));
        User().SetICalendarType(c.stored);
        PrintSettingsAdvDlg dialog(TopWindow(), &settings_, &controller_, "");
        EXPECT_EQ(dialog.GetCalendarButton(0)->GetValue(), c.first);
        EXPECT_EQ(dialog.GetCalendarButton(1)->GetValue(), c.second);
        if (c.choose >= 0) {
            Choose(dialog.GetCalendarButton(c.choose));
            EXPECT_FALSE(dialog.GetCalendarButton(1 - c.choose)->GetValue());
        }
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(User().GetICalendarType(), c.after);
    }
}

TEST_F(PrintDialogs, BrowsedScriptsAndLogoAreStored) {
    User().Set("parentprintscript", "/old/parent.lua");
    PrintSettingsAdvDlg dialog(TopWindow(), &settings_, &controller_, "");
    EXPECT_EQ(dialog.GetParentScriptField()->GetValue(), "/old/parent.lua");
    prompts_.Choose("/scripts/teacher.lua").Choose("/pictures/logo.gif").CancelFile();
    Press(&dialog, WxId(PrintSettingsAdvDlg::Id::BrowseTeacherScript));
    Press(&dialog, WxId(PrintSettingsAdvDlg::Id::BrowseLogo));
    Press(&dialog, WxId(PrintSettingsAdvDlg::Id::BrowseParentScript));
    ASSERT_EQ(prompts_.fileRequests.size(), 3u);
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose a file for the teacher printout script");
    EXPECT_EQ(prompts_.fileRequests[0].wildcard, "Lua scripts (*.lua)|*.lua");
    EXPECT_EQ(prompts_.fileRequests[1].message, "Choose a file to display as a logo");
    EXPECT_EQ(prompts_.fileRequests[1].wildcard, "All files (*.*)|*");
    EXPECT_EQ(prompts_.fileRequests[2].wildcard, "Lua scripts (*.lua)|*.lua");
    EXPECT_TRUE(prompts_.fileRequests[2].style & wxFD_OPEN);
    EXPECT_EQ(dialog.GetParentScriptField()->GetValue(), "/old/parent.lua");
    EXPECT_EQ(dialog.GetLogoField()->GetValue(), "/pictures/logo.gif");

    dialog.GetParentScriptField()->SetValue("");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(User().Get("teacherprintscript"), "/scripts/teacher.lua");
    EXPECT_EQ(User().Get("parentprintscript"), "");
    EXPECT_EQ(settings_.GetLogoFile(), "/pictures/logo.gif");
}

// Two running copies share the settings file (last year's event beside this year's): an OK in
// one, with the user's settings left as shown, keeps the scripts and calendar type the other
// chose meanwhile.
TEST_F(PrintDialogs, AnOKKeepsTheUsersSettingsAnotherCopyChoseMeanwhile) {
    const std::string path = controller_.GetUserSettingsPath();
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(User().Set("teacherprintscript", "/old/teacher.lua"));
    UserSettings other;
    ASSERT_TRUE(other.Load(path));
    PrintSettingsAdvDlg dialog(TopWindow(), &settings_, &controller_, "");
    ASSERT_TRUE(other.Set("teacherprintscript", "/new/teacher.lua"));
    other.SetICalendarType(1);
    dialog.GetParentNotesField()->SetValue("Bring the reports");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    UserSettings file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Get("teacherprintscript"), "/new/teacher.lua");
    EXPECT_EQ(file.Get("icalendartype"), "1");
    EXPECT_EQ(settings_.GetParentNotes(), "Bring the reports");
}

TEST_F(PrintDialogs, WithoutSettingsOnlyTheScriptsAreStored) {
    PrintSettingsAdvDlg dialog(TopWindow(), nullptr, &controller_, "");
    dialog.GetSizeField()->SetValue("0");
    dialog.GetTeacherScriptField()->SetValue("/t.lua");
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_TRUE(sink_.entries.empty());
    EXPECT_EQ(User().Get("teacherprintscript"), "/t.lua");
}

}  // namespace
