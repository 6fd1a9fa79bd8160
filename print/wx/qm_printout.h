#pragma once

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/prntbase.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/print_renderer.h"
#include "model/print_settings.h"
#include "print/print_job.h"
#include "print/print_layout.h"
#include "print/print_selection.h"

class Person;
class QMController;
class QMImage;
class QMImageWX;
class QMScript;
class Schedule;

// The handouts and overviews on paper and in the print preview. The sheets are chosen once, at
// construction; each page the framework asks for is drawn afresh, one print job a sheet, through
// a PrintRendererWX that calls the drawing operations below.
class QMPrintout : public wxPrintout {
public:
    // The fonts of one page, by what they print.
    enum PageFont {
        HeadingFont,
        BodyFont,
        FooterFont,
        SmallFont,
        OverviewHeadingFont,
        OverviewBodyFont,
        kPageFontCount
    };

    // When the print scripts load, running their top level: as the printout is made, or only
    // once it is laid out, for the copy a preview prints from, which the user may never print.
    enum class ScriptLoad { AtOnce, WhenLaidOut };
    QMPrintout(QMController* controller, const PrintSettings& settings,
               ScriptLoad load = ScriptLoad::AtOnce);
    ~QMPrintout() override;

    // Measures how many pages each whole-page handout takes on this DC.
    void OnPreparePrinting() override;
    void OnBeginPrinting() override;
    bool HasPage(int page) override;
    bool OnPrintPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

    static constexpr const char* kStoppedText =
        "Script stopped by the user: the printout was cancelled";
    // The user stopped one of its scripts (as they loaded, or on a sheet): printing on paper is
    // cancelled from then on, saying kStoppedText once.
    bool WasStopped() const { return stopped_; }

    const PrintSelection& GetSelection() const { return selection_; }
    const std::vector<SectionPages>& GetPlan() const { return plan_; }
    bool HasLogo() const { return logo_ != nullptr; }

    // --- page fonts: made for a page at the page's scale, dropped after it ---
    void MakePageFonts(double scale);
    void FreePageFonts();
    wxFont* GetPageFont(PageFont kind) const { return fonts_[kind].get(); }

    // --- the drawing of one sheet, on the printout's DC ---
    // Clips to clip, chooses the fonts and puts the pen at the start of the sheet. A paged
    // sheet runs on over further pages and shows only its page `page` (from 0); -1 draws
    // nothing and only measures.
    void StartSheet(const PageRect& area, const PageRect& clip, bool turned, wxFont* bold,
                    wxFont* normal, bool paged = false, int page = 0);
    // The pages the sheet has reached so far.
    int GetSheetPages() const { return lastBand_ + 1; }
    void EndSheet();
    wxPoint GetPen() const { return {penX_, penY_}; }
    int GetBoldLineHeight() const { return boldLineHeight_; }

    void UseBoldFont();
    void UseNormalFont();
    // The line height and text widths the layout uses, in the page's own units: measured apart
    // from the DC, so that every DC of the same page gets the same lines and pages.
    int LineHeight() const;
    int TextWidth(const std::string& text) const;
    void PrintText(const std::string& text);
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float widthPercent);
    void PrintFooter(const std::string& text);
    void PrintSeparator();
    void PrintImage(QMImage* image, int corner);

protected:
    // Every piece of text reaches the page here; angle 90 for a turned sheet.
    virtual void DrawTextOnPage(const wxString& text, int x, int y, double angle);

private:
    bool HasEvent() const;
    // The page's size in its own units, the DC's scale to them and the page fonts.
    void PreparePage();
    void SelectFont(const wxFont& font);
    // Puts an ellipsis at the end of the sheet's last whole line: the sheet goes on past it.
    void MarkCut();
    void LoadPrintScripts();
    void StartScriptsAfresh();
    bool CancelStopped();
    bool PrintPage(int page);
    // Page `page` (from 0) of a whole-page handout.
    bool PrintHandoutPage(const PrintSheet& sheet, bool teacher, int page);
    std::vector<int> MeasureHandouts(const std::vector<PrintSheet>& sheets, bool teacher);
    // The pages of the parent sheets two a page: each that runs past its half page goes on
    // whole pages instead.
    std::vector<HalfPagePlan> MeasureHalfPages();
    // Sheet sheetIndex on the page's lower (half 0) or upper half.
    bool PrintParentSheetOnHalfPage(int sheetIndex, int half);
    bool PrintOverviewPage(int page, bool teachers);
    void DrawSheet(const PrintSheet& sheet, int qrSuppression);
    std::unique_ptr<QMImageWX> MakeQRCodeImage(const Schedule* day, const Person* person) const;

    // Draws the text's wrapped pieces between the area's ends from the given pen; a paged
    // sheet's lines break onto its next page.
    void DrawWrappedText(const std::string& line, int& penX, int& penY, bool paginate = true);
    int NextLineY(int y, int lineHeight) const;
    // Whether y lies on the page being drawn; notes the page the sheet has reached.
    bool Visible(int y);
    int PageY(int y) const { return paged_ ? bands_.OnPage(y) : y; }
    void DrawCellText(const std::string& text, int x0, int y0, int end);
    void DrawAt(const std::string& text, int x, int y);
    LineCursor ToCursor(int penX, int penY) const;
    void FromCursor(const LineCursor& cursor, int& penX, int& penY) const;
    void RestoreSheetClip();

    QMController* controller_;
    PrintSettings settings_;
    PrintSelection selection_;
    std::vector<SectionPages> plan_;
    std::unique_ptr<QMImageWX> logo_;
    std::unique_ptr<QMScript> parentScript_;
    std::unique_ptr<QMScript> teacherScript_;
    bool scriptsLoaded_ = false;
    // Pages went to paper: the next layout is another print, whose scripts start afresh.
    bool printed_ = false;
    bool stopped_ = false;
    bool stopTold_ = false;
    std::array<std::unique_ptr<wxFont>, kPageFontCount> fonts_;
    // Pages each whole-page handout takes; empty until measured (one each).
    std::vector<int> teacherPages_;
    std::vector<int> parentPages_;
    // The pages of the parent sheets two a page; empty until measured (two a page each).
    std::vector<HalfPagePlan> halfPages_;
    // Each sheet's scripted body from the first time it was drawn, by its place in the
    // selection.
    std::map<const PrintSheet*, ScriptedBody> bodies_;

    // The sheet being drawn.
    wxFont* boldFont_ = nullptr;
    wxFont* normalFont_ = nullptr;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
    PageRect area_;
    PageRect clip_;
    int penX_ = 0;
    int penY_ = 0;
    int boldLineHeight_ = 0;
    bool turned_ = false;
    bool paged_ = false;
    // A turned sheet's text ran past its half page; the footer, drawn apart, does not count.
    bool turnedOverflow_ = false;
    bool inFooter_ = false;
    SheetBands bands_{0, 1};
    int drawBand_ = 0;
    int lastBand_ = 0;
    // The lowest line drawn on the sheet so far, and whether the sheet has been marked as cut.
    struct DrawnLine {
        int y = 0;
        int end = 0;
        int height = 0;
    };
    DrawnLine lastLine_;
    bool cutMarked_ = false;
    // Where text is measured: the same whatever DC the page goes to.
    wxBitmap measureBitmap_;
    wxMemoryDC measure_;
};
