#include <gtest/gtest.h>
#include <wx/defs.h>

#include <wx/textctrl.h>

#include <string>

#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/dlg_error.h"
#include "gui/support/answer_dialogs.h"
#include "gui/support/gui_test.h"

namespace {

class MessageBoxSink : public GuiTest {
protected:
    DlgError sink_{TopWindow()};
};

TEST_F(MessageBoxSink, CaptionPrefixAndIconFollowTheSeverity) {
    struct Case {
        int severity;
        const char* caption;
        const char* message;
        long style;
    };
    const Case cases[] = {
        {0, "Error", "Error: Cannot lock file 'a.qmv'", wxOK | wxICON_EXCLAMATION},
        {1, "Warning", "Warning: Cannot lock file 'a.qmv'", wxOK | wxICON_INFORMATION},
        {2, "Information", "Cannot lock file 'a.qmv'", wxOK | wxICON_INFORMATION},
        {3, "Debug", "Debug: Cannot lock file 'a.qmv'", wxOK | wxICON_INFORMATION},
        {7, "UNKNOWN SEVERITY", "UNKNOWN SEVERITY: Cannot lock file 'a.qmv'",
         wxOK | wxICON_INFORMATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        prompts_.shown.clear();
        UCError::Current().Report(c.severity, "Cannot lock file 'a.qmv'");
        ASSERT_EQ(prompts_.shown.size(), 1u);
        EXPECT_EQ(prompts_.shown[0].caption, c.caption);
        EXPECT_EQ(prompts_.shown[0].message, c.message);
        EXPECT_EQ(prompts_.shown[0].style, c.style);
    }
}

TEST_F(MessageBoxSink, DebugReportsShowInABoxWithTheirDetails) {
    UCError::Current().AddDetail("a detail that goes with it");
    UCError::Current().Report(SeverityDebug, "Optimiser pass 3");
    UCError::Current().Report(SeverityError, "Next");
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_EQ(prompts_.shown[0].caption, "Debug");
    EXPECT_EQ(prompts_.shown[0].message,
              "Debug: Optimiser pass 3\nFurther details follow:\na detail that goes with it\n");
    EXPECT_EQ(prompts_.shown[1].message, "Error: Next");
}

TEST_F(MessageBoxSink, DetailLinesFollowTheTextOnceAndUtf8Survives) {
    UCError::Current().AddDetail("Line 3: unknown key");
    UCError::Current().AddDetail("Line 9: missing quote");
    UCError::Current().Report(SeverityWarning, "Caf\xC3\xA9 import");
    UCError::Current().Report(SeverityWarning, "Again");
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_EQ(prompts_.shown[0].message,
              wxString::FromUTF8("Warning: Caf\xC3\xA9 import\nFurther details follow:\n"
                                 "Line 3: unknown key\nLine 9: missing quote\n"));
    EXPECT_EQ(prompts_.shown[1].message, "Warning: Again");
}

// A script's 8-bit text would otherwise blank the whole box.
TEST_F(MessageBoxSink, TextThatIsNotUtf8ShowsAsWindows1252) {
    UCError::Current().Report(SeverityError, "Caf\xE9 \x80 closed");
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].message,
              wxString::FromUTF8("Error: Caf\xC3\xA9 \xE2\x82\xAC closed"));
}

TEST_F(MessageBoxSink, ReportsDuringAnOpenBoxWaitAndRepeatsCollapse) {
    bool nested = false;
    prompts_.whileShowing = [&](const ScriptedPrompts::Shown& box) {
        if (box.message != "Error: Auto save failed!" || nested) {
            return;
        }
        nested = true;
        // As a timer would, while the first box is still open.
        for (int i = 0; i < 3; ++i) {
            UCError::Current().Report(SeverityError, "Cannot write to file 'x'");
        }
        UCError::Current().Report(SeverityInformation, "File saved successfully");
        // Nothing new was shown while the first box was open.
        EXPECT_EQ(prompts_.shown.size(), 1u);
    };
    UCError::Current().Report(SeverityError, "Auto save failed!");
    ASSERT_EQ(prompts_.shown.size(), 3u);
    EXPECT_EQ(prompts_.shown[1].message,
              "Error: Cannot write to file 'x'\n\n(This message was reported 3 times in a row.)");
    EXPECT_EQ(prompts_.shown[2].message, "File saved successfully");
}

TEST_F(MessageBoxSink, IsCurrentForItsLifeAndThenGivesWayToThePreviousSink) {
    EXPECT_EQ(&UCError::Current(), &sink_);
    {
        DlgError inner(TopWindow());
        EXPECT_EQ(&UCError::Current(), &inner);
    }
    EXPECT_EQ(&UCError::Current(), &sink_);
}

// A run that names every person of a long list says what happened in a box a screen holds,
// and every line follows in the report window, which scrolls, copies and saves.
TEST_F(MessageBoxSink, ALongMessageFitsAScreenAndEveryLineFollowsInTheReportWindow) {
    struct Case {
        const char* what;
        int people;          // two detail lines each
        size_t headWidth;    // characters of padding on the report's own text
        const char* boxEnd;  // how the box ends
    };
    const Case cases[] = {
        {"a pupils list run again", 1200, 0, "... and 2388 more lines"},
        {"twenty thousand lines", 10000, 0, "... and 19988 more lines"},
        {"one line wider than a screen", 1, 5000,
         "Every line is shown whole in the next window, where it can be copied or saved."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts_.shown.clear();
        int reports = 0;
        wxString title;
        std::string shownWhole;
        AnswerDialogs answer([&](wxDialog* dialog) {
            auto* report = dynamic_cast<ReportDlg*>(dialog);
            if (report == nullptr) {
                return static_cast<int>(wxID_NONE);
            }
            ++reports;
            title = report->GetTitle();
            shownWhole = ToUtf8(report->GetTextBox()->GetValue());
            return static_cast<int>(wxID_CANCEL);
        });
        const std::string head = std::to_string(0) + " of " + std::to_string(c.people) +
                                 " pupils imported; " + std::to_string(c.people) +
                                 " failed to import" + std::string(c.headWidth, '!');
        std::string whole = "Error: " + head + "\nFurther details follow:\n";
        for (int i = 0; i < c.people; ++i) {
            const std::string pupil = "Pupil 'Kim " + std::to_string(i) + "'";
            for (const std::string& line :
                 {pupil + " of 'Mr " + std::to_string(i) + "' is already in the event",
                  pupil + " failed to import"}) {
                UCError::Current().AddDetail(line);
                whole += line + "\n";
            }
        }
        UCError::Current().Report(SeverityError, head);

        ASSERT_EQ(1u, prompts_.shown.size());
        const wxString box = prompts_.shown[0].message;
        EXPECT_EQ("Error", prompts_.shown[0].caption);
        EXPECT_LE(static_cast<size_t>(box.Freq('\n')) + 1, kMessageBoxLines);
        for (const wxString& line : wxSplit(box, '\n', '\0')) {
            EXPECT_LE(line.length(), kMessageBoxLineWidth + 3);
        }
        EXPECT_TRUE(box.StartsWith("Error: 0 of " + std::to_string(c.people) + " pupils imported"));
        EXPECT_NE(wxNOT_FOUND, box.Find("Pupil 'Kim 0' of 'Mr 0' is already in the event\n"));
        EXPECT_NE(wxNOT_FOUND, box.Find(c.boxEnd)) << box;
        EXPECT_EQ(1, reports);
        EXPECT_EQ("Error", title);
        EXPECT_EQ(whole, shownWhole);
    }
}

}  // namespace
