#include <gtest/gtest.h>
#include <wx/print.h>

#include "foundation/uc_error.h"
#include "print/wx/print_preview.h"
#include "printout_fixture.h"

namespace {

constexpr const char* kNoPreview =
    "Could not start a print preview - the most common reason for this is that you do not have "
    "a printer or the printer cannot be accessed. Please check that a printer is attached and "
    "that it is working.";

class Preview : public PrintoutTest {
protected:
    wxPrintPreview* MakePreview() {
        return new wxPrintPreview(new QMPrintout(&controller_, EventSettings()),
                                  new QMPrintout(&controller_, EventSettings()));
    }
    static wxPreviewFrame* OpenPreviewFrame() {
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* frame = dynamic_cast<wxPreviewFrame*>(window)) {
                return frame;
            }
        }
        return nullptr;
    }
};

TEST_F(Preview, APreviewThatCannotStartIsReportedAndFreed) {
    wxPrintPreview* preview = MakePreview();
    preview->SetOk(false);
    EXPECT_FALSE(ShowPreviewWindow(TopWindow(), preview));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{kNoPreview});
    EXPECT_EQ(sink_.entries.at(0).severity, SeverityError);
    EXPECT_EQ(OpenPreviewFrame(), nullptr);
}

TEST_F(Preview, APreviewOpensInItsOwnWindowAndShowsTheFirstPage) {
    wxPrintPreview* preview = MakePreview();
    if (!preview->IsOk()) {
        delete preview;
        GTEST_SKIP() << "this desktop offers no print preview";
    }
    TopWindow()->Show();
    ASSERT_TRUE(ShowPreviewWindow(TopWindow(), preview));
    wxPreviewFrame* frame = OpenPreviewFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetTitle(), "Print Preview");
    EXPECT_TRUE(frame->IsShown());
    EXPECT_FALSE(TopWindow()->IsEnabled());
    EXPECT_GE(preview->GetMaxPage(), 1);
    EXPECT_EQ(preview->GetCurrentPage(), 1);
    EXPECT_NE(preview->GetCanvas(), nullptr);
    frame->Close(true);
    ProcessPending();
    EXPECT_EQ(OpenPreviewFrame(), nullptr);
    EXPECT_TRUE(TopWindow()->IsEnabled());
    EXPECT_TRUE(sink_.entries.empty());
}

}  // namespace
