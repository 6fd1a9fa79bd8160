#include <gtest/gtest.h>
#include <wx/print.h>

#include <algorithm>
#include <string>
#include <vector>

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

// One teacher's handouts, a sheet a day, whose notes run over several pages.
PrintSettings LongHandouts() {
    PrintSettings settings;
    settings.SelectSingleTeacher(0);
    settings.SetTeachers(true);
    settings.SetParents(false);
    settings.SetParentOverviews(false);
    std::string notes;
    for (int i = 1; i <= 150; ++i) {
        notes += "Note " + std::to_string(i) +
                 ": the hall doors open at six and the car park behind the gym is free.\n";
    }
    settings.SetTeacherNotes(notes);
    return settings;
}

// The preview lays its pages out once, at the zoom it first shows; a later zoom draws on a DC
// of another size, where fonts come out a little larger or smaller. Every zoom must still draw
// every line, on the same pages.
TEST_F(Preview, EveryZoomDrawsEveryLineThatTheFullSizePageDraws) {
    struct Run {
        int pages = 0;
        std::vector<std::string> drawn;
        std::vector<int> perPage;
    };
    auto drawAll = [this](int zoom, Run* run) {
        std::vector<DrawnText> drawn;
        auto* preview =
            new wxPrintPreview(new RecordingPrintout(&controller_, LongHandouts(), &drawn));
        if (!preview->IsOk()) {
            delete preview;
            return false;
        }
        // The frame owns the preview and gives it the canvas it draws for.
        auto* frame = new wxPreviewFrame(preview, TopWindow());
        frame->Initialize();
        preview->SetZoom(100);
        preview->RenderPage(1);
        preview->SetZoom(zoom);
        drawn.clear();
        run->pages = preview->GetMaxPage();
        for (int page = 1; page <= run->pages; ++page) {
            const size_t before = drawn.size();
            EXPECT_TRUE(preview->RenderPage(page)) << zoom << "% page " << page;
            run->perPage.push_back(static_cast<int>(drawn.size() - before));
        }
        for (const DrawnText& piece : drawn) {
            run->drawn.push_back(piece.text);
        }
        frame->Close(true);
        ProcessPending();
        return true;
    };
    Run full;
    if (!drawAll(100, &full)) {
        GTEST_SKIP() << "this desktop offers no print preview";
    }
    const size_t teachers =
        QMPrintout(&controller_, LongHandouts()).GetSelection().teacherSheets.size();
    ASSERT_GT(full.pages, static_cast<int>(2 * teachers));
    for (int zoom : {60, 75}) {
        SCOPED_TRACE(zoom);
        Run scaled;
        ASSERT_TRUE(drawAll(zoom, &scaled));
        EXPECT_EQ(scaled.pages, full.pages);
        EXPECT_EQ(scaled.perPage, full.perPage);
        EXPECT_EQ(scaled.drawn, full.drawn);
        EXPECT_EQ(std::count(scaled.perPage.begin(), scaled.perPage.end(), 0), 0);
    }
    EXPECT_EQ(std::count(full.drawn.begin(), full.drawn.end(),
                         "Note 150: the hall doors open at six and the car park behind the gym "
                         "is free."),
              static_cast<long>(teachers));
}

}  // namespace
