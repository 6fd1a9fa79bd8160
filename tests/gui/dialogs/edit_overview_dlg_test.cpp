#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/clrpicker.h>

#include "app/user_settings.h"
#include "gui/dialogs/edit_overview_dlg.h"
#include "gui/support/gui_test.h"

namespace {

const char* const kKeys[] = {"colourbookedokhi",  "colourbookedok",  "colourbookedoklo",
                             "colourtwingaphi",   "colourtwingap",   "colourtwingaplo",
                             "colourbookedbadhi", "colourbookedbad", "colourbookedbadlo",
                             "colourtbusy",       "colourtbreak",    "colourabsent",
                             "colourpresentation"};

class EditOverview : public GuiTest {
protected:
    EditOverview() : dialog(new EditOverviewDlg(TopWindow(), &settings)) {}
    ~EditOverview() override { dialog->Destroy(); }

    // The pickers in the order of the keys above.
    std::vector<wxColourPickerCtrl*> Pickers() const {
        return {dialog->GetBookedOKPicker(2),    dialog->GetBookedOKPicker(1),
                dialog->GetBookedOKPicker(0),    dialog->GetTwinGapPicker(2),
                dialog->GetTwinGapPicker(1),     dialog->GetTwinGapPicker(0),
                dialog->GetBookedBadPicker(2),   dialog->GetBookedBadPicker(1),
                dialog->GetBookedBadPicker(0),   dialog->GetTeacherBusyPicker(),
                dialog->GetTeacherBreakPicker(), dialog->GetAbsentPicker(),
                dialog->GetPresentationPicker()};
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> hex;
        for (wxColourPickerCtrl* picker : Pickers()) {
            hex.push_back(EditOverviewDlg::GetPickerColour(picker).ToHex());
        }
        return hex;
    }
    std::vector<std::string> Stored() const {
        std::vector<std::string> values;
        for (const char* key : kKeys) {
            values.push_back(settings.Get(key));
        }
        return values;
    }
    void Press(int id) {
        wxCommandEvent press(wxEVT_BUTTON, id);
        press.SetEventObject(dialog);
        dialog->ProcessWindowEvent(press);
    }

    const std::vector<std::string> defaults = {"0000ff", "4040ff", "8080ff", "800080", "902090",
                                               "a040a0", "ff0000", "ff4040", "ff8080", "ff8000",
                                               "ffff80", "a0a0a0", "80ff80"};
    UserSettings settings;
    EditOverviewDlg* dialog;
};

TEST_F(EditOverview, ShowsTheDefaultsWithoutSettingsAndStoredColoursOtherwise) {
    EXPECT_EQ(ToUtf8(dialog->GetTitle()), "Edit Overview Appearance");
    EXPECT_EQ(ToUtf8(dialog->GetResetButton()->GetLabel()), "Reset to default");
    EXPECT_EQ(dialog->GetResetButton()->GetId(), 1);
    EXPECT_EQ(Shown(), defaults);

    settings.Set("colourtbusy", "ff0000");
    settings.Set("colourabsent", "not hex");
    dialog->LoadColours();
    EXPECT_EQ(EditOverviewDlg::GetPickerColour(dialog->GetTeacherBusyPicker()).ToHex(), "ff0000");
    EXPECT_EQ(EditOverviewDlg::GetPickerColour(dialog->GetAbsentPicker()).ToHex(), "000000");
}

// OK stores what the user changed, as six hex digits; a colour left as shown stays as stored,
// even one the file holds in another form.
TEST_F(EditOverview, OkStoresOnlyTheColoursTheUserChanged) {
    settings.Set("colourabsent", "not hex");
    dialog->LoadColours();
    EditOverviewDlg::SetPickerColour(dialog->GetTeacherBreakPicker(), Colour(18, 52, 86));
    Press(wxID_OK);
    std::vector<std::string> expected(13, "");
    expected[10] = "123456";
    expected[11] = "not hex";
    EXPECT_EQ(Stored(), expected);
}

// Two running copies share the settings file: an OK in one stores what its user changed there,
// and keeps what the other copy chose meanwhile.
TEST_F(EditOverview, AnOkKeepsWhatAnotherCopyChoseMeanwhile) {
    const std::string path = folder_.Path() + "/user_settings.dat";
    UserSettings other;
    ASSERT_TRUE(settings.Load(path));
    ASSERT_TRUE(other.Load(path));
    dialog->LoadColours();
    other.SetColourAbsent(Colour(0x11, 0x22, 0x33));
    EditOverviewDlg::SetPickerColour(dialog->GetPresentationPicker(), Colour(0x44, 0x55, 0x66));
    Press(wxID_OK);
    UserSettings file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Get("colourabsent"), "112233");
    EXPECT_EQ(file.Get("colourpresentation"), "445566");
    EXPECT_EQ(file.Count(), 2u);
}

TEST_F(EditOverview, ResetDeletesTheColoursAtOnceEvenWhenCancelled) {
    for (const char* key : kKeys) {
        settings.Set(key, "010203");
    }
    settings.Set("optimiserpopulation", "12");
    dialog->LoadColours();
    EXPECT_EQ(Shown()[0], "010203");
    Press(WxId(EditOverviewDlg::Id::Reset));
    EXPECT_EQ(Shown(), defaults);
    // Cancel writes nothing: the deletions stand.
    EXPECT_EQ(Stored(), std::vector<std::string>(13, ""));
    EXPECT_EQ(settings.Count(), 1u);

    Press(wxID_OK);
    EXPECT_EQ(Stored(), std::vector<std::string>(13, "")) << "the defaults apply";
}

TEST_F(EditOverview, AColourChangeTheFileCannotTakeIsReportedOnce) {
    const std::string path = folder_.Path() + "/missing/user_settings.dat";
    ASSERT_TRUE(settings.Load(path));
    EditOverviewDlg::SetPickerColour(dialog->GetAbsentPicker(), Colour(1, 2, 3));
    for (const int button : {int{wxID_OK}, WxId(EditOverviewDlg::Id::Reset)}) {
        SCOPED_TRACE(button);
        sink_.entries.clear();
        Press(button);
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Cannot save to file '" + path +
                                                          "': No such file or directory"});
    }
    EXPECT_TRUE(settings.IsModified()) << "the colours stay until the file can be written";
}

}  // namespace
