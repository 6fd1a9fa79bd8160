#pragma once

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/print.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "print/wx/qm_printout.h"

inline void PrintTo(const PageRect& rect, std::ostream* out) {
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
         << "}";
}

// A piece of text as the printout drew it, in the page's own units.
struct DrawnText {
    std::string text;
    int x;
    int y;
    int lineHeight;
    double angle = 0;
};

// A printout that notes every piece of text it draws.
class RecordingPrintout : public QMPrintout {
public:
    RecordingPrintout(QMController* controller, const PrintSettings& settings,
                      std::vector<DrawnText>* drawn, ScriptLoad load = ScriptLoad::AtOnce)
        : QMPrintout(controller, settings, load), drawn_(drawn) {}

protected:
    void DrawTextOnPage(const wxString& text, int x, int y, double angle) override {
        drawn_->push_back({text.utf8_string(), x, y, LineHeight(), angle});
        QMPrintout::DrawTextOnPage(text, x, y, angle);
    }

private:
    std::vector<DrawnText>* drawn_;
};

// A printout on paper, or in a preview that owns it and marks it as previewed.
struct HeldPrintout {
    HeldPrintout(RecordingPrintout* made, bool preview) : printout(made) {
        if (preview) {
            previewing = std::make_unique<wxPrintPreview>(made, nullptr);
        } else {
            paper.reset(made);
        }
    }
    RecordingPrintout* printout;
    std::unique_ptr<wxPrintPreview> previewing;
    std::unique_ptr<RecordingPrintout> paper;
};

// For printout tests: the example event in a controller, and pages drawn into white bitmaps
// at the screen's resolution, so fonts are at their nominal size.
class PrintoutTest : public GuiTest {
protected:
    static constexpr int kPageWidth = 827;
    static constexpr int kPageHeight = 1169;

    PrintoutTest() {
        if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) {
            wxInitAllImageHandlers();
        }
        controller_.Initialise();
        EXPECT_TRUE(controller_.OpenEventFile(CopyExampleEvent().c_str()));
    }

    PrintSettings& EventSettings() { return controller_.GetEvent()->GetPrintSettings(); }

    // A white page of the given size that the printout draws on until the page is released.
    struct Page {
        Page(QMPrintout& printout, int width = kPageWidth, int height = kPageHeight)
            : bitmap(width, height, 24), dc(bitmap) {
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            printout.SetDC(&dc);
            printout.SetPageSizePixels(width, height);
            printout.SetPPIScreen(96, 96);
            printout.SetPPIPrinter(96, 96);
        }
        wxImage Picture() {
            dc.SelectObject(wxNullBitmap);
            return bitmap.ConvertToImage();
        }
        wxBitmap bitmap;
        wxMemoryDC dc;
    };

    // Pixels darker than mid-grey inside the rectangle.
    static int Ink(const wxImage& image, int left, int top, int right, int bottom) {
        int count = 0;
        for (int y = std::max(0, top); y < std::min(bottom, image.GetHeight()); ++y) {
            for (int x = std::max(0, left); x < std::min(right, image.GetWidth()); ++x) {
                if (image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y) < 384) {
                    ++count;
                }
            }
        }
        return count;
    }
    static int Ink(const wxImage& image) {
        return Ink(image, 0, 0, image.GetWidth(), image.GetHeight());
    }
    // The smallest rectangle holding every dark pixel; all zero when there is none.
    static PageRect InkBox(const wxImage& image) {
        PageRect box{image.GetWidth(), image.GetHeight(), -1, -1};
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < image.GetWidth(); ++x) {
                if (image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y) < 384) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
            }
        }
        return box.right < 0 ? PageRect{} : box;
    }

    // Draws one page of the run; printed receives OnPrintPage's answer.
    wxImage DrawPage(QMPrintout& printout, int page, bool* printed = nullptr) {
        Page sheet(printout);
        const bool result = printout.OnPrintPage(page);
        if (printed != nullptr) {
            *printed = result;
        }
        printout.SetDC(nullptr);
        return sheet.Picture();
    }

    QMController controller_;
};
