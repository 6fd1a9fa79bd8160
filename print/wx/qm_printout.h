#pragma once

#include <wx/font.h>
#include <wx/prntbase.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "model/print_settings.h"
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
    enum PageFont { HeadingFont, BodyFont, FooterFont, SmallFont, OverviewHeadingFont,
                    OverviewBodyFont, kPageFontCount };

    QMPrintout(QMController* controller, const PrintSettings& settings);
    ~QMPrintout() override;

    void OnBeginPrinting() override;
    bool HasPage(int page) override;
    bool OnPrintPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

    const PrintSelection& GetSelection() const { return selection_; }
    const std::vector<SectionPages>& GetPlan() const { return plan_; }
    bool HasLogo() const { return logo_ != nullptr; }

    // --- page fonts: made for a page at the page's scale, dropped after it ---
    void MakePageFonts(double scale);
    void FreePageFonts();
    wxFont* GetPageFont(PageFont kind) const { return fonts_[kind].get(); }

    // --- the drawing of one sheet, on the printout's DC ---
    // Clips to clip, chooses the fonts and puts the pen at the start of the sheet.
    void StartSheet(const PageRect& area, const PageRect& clip, bool turned, wxFont* bold,
                    wxFont* normal);
    void EndSheet();
    wxPoint GetPen() const { return {penX_, penY_}; }
    int GetBoldLineHeight() const { return boldLineHeight_; }

    void UseBoldFont();
    void UseNormalFont();
    void PrintText(const std::string& text);
    void PrintCell(const std::string& text, int style, int advance, float widthPercent);
    void PrintFooter(const std::string& text);
    void PrintSeparator();
    void PrintImage(QMImage* image, int corner);

private:
    bool HasEvent() const;
    void LoadPrintScripts();
    bool PrintPage(int page);
    bool PrintHandoutPage(const PrintSheet* sheet, bool teacher);
    bool PrintParentSheetOnHalfPage(int sheetIndex);
    bool PrintOverviewPage(int page, bool teachers);
    void DrawSheet(const PrintSheet& sheet, int qrSuppression);
    std::unique_ptr<QMImageWX> MakeQRCodeImage(const Schedule* day, const Person* person) const;

    // Draws the text's wrapped pieces between the area's ends from the given pen.
    void DrawWrappedText(const std::string& line, int& penX, int& penY);
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
    std::array<std::unique_ptr<wxFont>, kPageFontCount> fonts_;

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
};
