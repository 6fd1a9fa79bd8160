#include "print/wx/qm_printout.h"

#include <wx/app.h>
#include <wx/dc.h>
#include <wx/dcmemory.h>
#include <wx/intl.h>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "app/script_run.h"
#include "foundation/string_tokeniser.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"
#include "print/print_job.h"
#include "print/qr_code_matrix.h"
#include "print/sheet_calendar.h"
#include "print/wx/print_renderer_wx.h"
#include "print/wx/qm_image_wx.h"

namespace {

// A script's 8-bit text is read as the rest of the program reads it.
wxString FromUtf8Text(const std::string& text) {
    return FromUtf8(text);
}

}  // namespace

QMPrintout::QMPrintout(QMController* controller, const PrintSettings& settings, ScriptLoad load)
    : wxPrintout(wxGetTranslation("Printout")),
      controller_(controller),
      settings_(settings),
      selection_(controller, settings),
      measureBitmap_(1, 1),
      measure_(measureBitmap_) {
    plan_ = PlanSections(settings_, static_cast<int>(selection_.teacherSheets.size()),
                         static_cast<int>(selection_.parentSheets.size()));
    if (load == ScriptLoad::AtOnce) {
        LoadPrintScripts();
    }
}

QMPrintout::~QMPrintout() {
    settings_.SetParentScript(nullptr);
    settings_.SetTeacherScript(nullptr);
    // Closing runs the scripts' finalisers.
    const ScriptRun run(controller_);
    parentScript_.reset();
    teacherScript_.reset();
}

bool QMPrintout::HasEvent() const {
    return controller_ != nullptr && controller_->GetSchedule() != nullptr &&
           controller_->GetSchedule()->GetEvent() != nullptr;
}

// A script that cannot be made leaves the built-in body; the controller has said why.
void QMPrintout::LoadPrintScripts() {
    if (!HasEvent() || scriptsLoaded_) {
        return;
    }
    scriptsLoaded_ = true;
    // A script's top level runs as it loads.
    const ScriptRun run(controller_);
    const QMScript::MadeFor made(QMScript::Use::Sheets);
    const UserSettings& user = controller_->GetUserSettings();
    auto load = [this](const std::string& path) -> std::unique_ptr<QMScript> {
        std::unique_ptr<QMScript> script;
        if (!path.empty()) {
            script = controller_->CreateScript(path);
        }
        if (script && !script->loaded) {
            script.reset();
        }
        return script;
    };
    parentScript_ = load(user.Get("parentprintscript"));
    settings_.SetParentScript(parentScript_.get());
    teacherScript_ = load(user.Get("teacherprintscript"));
    settings_.SetTeacherScript(teacherScript_.get());
    stopped_ = stopped_ || run.Stopped();
}

void QMPrintout::PreparePage() {
    wxDC* dc = GetDC();
    int dcWidth = 0;
    int dcHeight = 0;
    dc->GetSize(&dcWidth, &dcHeight);
    int ppiPrinterX = 0, ppiPrinterY = 0, ppiScreenX = 0, ppiScreenY = 0;
    int pagePixelsW = 0, pagePixelsH = 0;
    GetPPIPrinter(&ppiPrinterX, &ppiPrinterY);
    GetPPIScreen(&ppiScreenX, &ppiScreenY);
    GetPageSizePixels(&pagePixelsW, &pagePixelsH);
    // Pages are laid out in the printer's pixels whatever the DC: a preview at any zoom scales
    // the drawing, never the layout, so it breaks lines and pages exactly as the paper does.
    pageWidth_ = pagePixelsW > 0 ? pagePixelsW : dcWidth;
    pageHeight_ = pagePixelsH > 0 ? pagePixelsH : dcHeight;
    dc->SetUserScale(pageWidth_ > 0 ? static_cast<double>(dcWidth) / pageWidth_ : 1.0,
                     pageHeight_ > 0 ? static_cast<double>(dcHeight) / pageHeight_ : 1.0);
    MakePageFonts(PageFontScale(ppiPrinterX, ppiScreenX, pageHeight_, pageHeight_));
}

// Paper printed again (from the preview it was made for) is another output: its scripts run
// afresh, and a Stop in the last print stops nothing of this one.
void QMPrintout::StartScriptsAfresh() {
    bodies_.clear();
    settings_.SetParentScript(nullptr);
    settings_.SetTeacherScript(nullptr);
    {
        // Closing runs the scripts' finalisers.
        const ScriptRun run(controller_);
        parentScript_.reset();
        teacherScript_.reset();
    }
    scriptsLoaded_ = false;
    stopped_ = false;
    stopTold_ = false;
}

void QMPrintout::OnPreparePrinting() {
    if (printed_) {
        printed_ = false;
        StartScriptsAfresh();
    }
    // A script stopped as it loads cancels the paper (see OnPrintPage).
    LoadPrintScripts();
    if (!HasEvent() || GetDC() == nullptr) {
        return;
    }
    PreparePage();
    {
        // Measuring runs the scripts.
        const ScriptRun run(controller_);
        // Only what is printed: a sheet left out would run its script for nobody.
        teacherPages_ = settings_.GetTeachers() ? MeasureHandouts(selection_.teacherSheets, true)
                                                : std::vector<int>();
        parentPages_ = settings_.GetParents() && settings_.GetOneParentPerSheet()
                           ? MeasureHandouts(selection_.parentSheets, false)
                           : std::vector<int>();
        halfPages_ = settings_.GetParents() && !settings_.GetOneParentPerSheet()
                         ? MeasureHalfPages()
                         : std::vector<HalfPagePlan>();
        stopped_ = stopped_ || run.Stopped();
    }
    FreePageFonts();
    // From the unmeasured plan: a section this paper does not measure keeps nothing of the last.
    plan_ = PlanSections(settings_, static_cast<int>(selection_.teacherSheets.size()),
                         static_cast<int>(selection_.parentSheets.size()));
    auto sum = [](const std::vector<int>& pages) {
        int total = 0;
        for (int count : pages) {
            total += count;
        }
        return total;
    };
    for (SectionPages& section : plan_) {
        if (section.section == PrintSection::TeacherHandouts) {
            section.pages = sum(teacherPages_);
        } else if (section.section == PrintSection::ParentHandouts && !parentPages_.empty()) {
            section.pages = sum(parentPages_);
        } else if (section.section == PrintSection::ParentHandouts && !halfPages_.empty()) {
            section.pages = static_cast<int>(halfPages_.size());
        }
    }
}

std::vector<int> QMPrintout::MeasureHandouts(const std::vector<PrintSheet>& sheets, bool teacher) {
    std::vector<int> pages;
    pages.reserve(sheets.size());
    for (const PrintSheet& sheet : sheets) {
        const PageRect area = HandoutArea(pageWidth_, pageHeight_);
        wxFont* normal =
            GetPageFont(teacher && settings_.GetSmallTeacherFont() ? SmallFont : BodyFont);
        StartSheet(area, area, false, GetPageFont(HeadingFont), normal, true, -1);
        DrawSheet(sheet, 0);
        EndSheet();
        pages.push_back(GetSheetPages());
    }
    return pages;
}

std::vector<HalfPagePlan> QMPrintout::MeasureHalfPages() {
    std::vector<int> wholePages;
    wholePages.reserve(selection_.parentSheets.size());
    bool anyTooLong = false;
    for (const PrintSheet& sheet : selection_.parentSheets) {
        PageRect clip;
        const PageRect half = HalfPageArea(pageWidth_, pageHeight_, 0, &clip);
        StartSheet(half, clip, true, GetPageFont(HeadingFont), GetPageFont(BodyFont), false, -1);
        DrawSheet(sheet, 0);
        EndSheet();
        if (!turnedOverflow_) {
            wholePages.push_back(0);
            continue;
        }
        anyTooLong = true;
        const PageRect area = HandoutArea(pageWidth_, pageHeight_);
        StartSheet(area, area, false, GetPageFont(HeadingFont), GetPageFont(BodyFont), true, -1);
        DrawSheet(sheet, 0);
        EndSheet();
        wholePages.push_back(GetSheetPages());
    }
    // Unmeasured and measured alike put two a page when every sheet fits.
    return anyTooLong ? PlanHalfPages(wholePages) : std::vector<HalfPagePlan>();
}

void QMPrintout::OnBeginPrinting() {
    if (!HasEvent() || logo_) {
        return;
    }
    const std::string& logoFile =
        controller_->GetSchedule()->GetEvent()->GetPrintSettings().GetLogoFile();
    if (logoFile.empty()) {
        return;
    }
    auto logo = std::make_unique<QMImageWX>();
    if (logo->LoadFile(logoFile)) {
        logo_ = std::move(logo);
    }
}

void QMPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
    int first = 0;
    int last = 0;
    if (HasEvent()) {
        last = TotalPages(plan_);
        first = last > 0 ? 1 : 0;
    }
    *minPage = first;
    *maxPage = last;
    *pageFrom = first;
    *pageTo = last;
}

bool QMPrintout::HasPage(int page) {
    if (!HasEvent()) {
        return false;
    }
    int minPage = 0;
    int maxPage = 0;
    int from = 0;
    int to = 0;
    GetPageInfo(&minPage, &maxPage, &from, &to);
    return page >= 1 && page <= maxPage;
}

bool QMPrintout::OnPrintPage(int page) {
    if (!HasEvent() || GetDC() == nullptr) {
        return false;
    }
    printed_ = printed_ || !IsPreview();
    // Paper the user stopped a script of is not printed; a preview shows each sheet with what
    // the script said.
    if (stopped_ && !IsPreview()) {
        return CancelStopped();
    }
    PreparePage();
    bool printed = false;
    {
        const ScriptRun run(controller_);
        printed = PrintPage(page);
        stopped_ = stopped_ || run.Stopped();
    }
    FreePageFonts();
    if (stopped_ && !IsPreview()) {
        return CancelStopped();
    }
    return printed;
}

bool QMPrintout::CancelStopped() {
    if (!stopTold_) {
        stopTold_ = true;
        // Said once the framework's printing has ended, not in the middle of it.
        if (wxTheApp != nullptr) {
            wxTheApp->CallAfter([] { ReportMessage(SeverityError, kStoppedText); });
        } else {
            ReportMessage(SeverityError, kStoppedText);
        }
    }
    return false;
}

void QMPrintout::MakePageFonts(double scale) {
    const wxFontFamily family =
        settings_.GetUseSansSerif() ? wxFONTFAMILY_SWISS : wxFONTFAMILY_ROMAN;
    struct Nominal {
        double points;
        bool bold;
    };
    const Nominal nominal[kPageFontCount] = {{16, true},  {12, false},
                                             {10, false}, {settings_.GetSmallFontSize(), false},
                                             {7, true},   {6, false}};
    for (int kind = 0; kind < kPageFontCount; ++kind) {
        fonts_[kind] = std::make_unique<wxFont>(
            ScaledPointSize(nominal[kind].points, scale), family, wxFONTSTYLE_NORMAL,
            nominal[kind].bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL, false, wxEmptyString,
            wxFONTENCODING_DEFAULT);
    }
}

void QMPrintout::FreePageFonts() {
    boldFont_ = nullptr;
    normalFont_ = nullptr;
    for (auto& font : fonts_) {
        font.reset();
    }
}

bool QMPrintout::PrintPage(int page) {
    PrintSection section;
    int sectionPage = 0;
    if (!LocatePage(plan_, page, &section, &sectionPage)) {
        return false;
    }
    const auto& teachers = selection_.teacherSheets;
    const auto& parents = selection_.parentSheets;
    // Unmeasured handouts take a page each.
    auto locate = [sectionPage](const std::vector<int>& pages, int* sheet, int* sheetPage) {
        if (pages.empty()) {
            *sheet = sectionPage - 1;
            *sheetPage = 0;
            return true;
        }
        return LocateSheetPage(pages, sectionPage, sheet, sheetPage);
    };
    int sheet = 0;
    int sheetPage = 0;
    switch (section) {
        case PrintSection::TeacherHandouts:
            return locate(teacherPages_, &sheet, &sheetPage) &&
                   PrintHandoutPage(teachers.at(sheet), true, sheetPage);
        case PrintSection::ParentHandouts:
            if (settings_.GetOneParentPerSheet()) {
                return locate(parentPages_, &sheet, &sheetPage) &&
                       PrintHandoutPage(parents.at(sheet), false, sheetPage);
            }
            if (!halfPages_.empty()) {
                if (sectionPage < 1 || sectionPage > static_cast<int>(halfPages_.size())) {
                    return false;
                }
                const HalfPagePlan& plan = halfPages_[sectionPage - 1];
                if (plan.whole >= 0) {
                    return PrintHandoutPage(parents.at(plan.whole), false, plan.wholePage);
                }
                PrintParentSheetOnHalfPage(plan.lower, 0);
                return PrintParentSheetOnHalfPage(plan.upper, 1);
            }
            PrintParentSheetOnHalfPage(2 * sectionPage - 2, 0);
            return PrintParentSheetOnHalfPage(2 * sectionPage - 1, 1);
        case PrintSection::TeacherOverviews:
            return PrintOverviewPage(sectionPage, true);
        case PrintSection::ParentOverviews:
            return PrintOverviewPage(sectionPage, false);
    }
    return false;
}

bool QMPrintout::PrintHandoutPage(const PrintSheet& sheet, bool teacher, int page) {
    const PageRect area = HandoutArea(pageWidth_, pageHeight_);
    wxFont* normal = GetPageFont(teacher && settings_.GetSmallTeacherFont() ? SmallFont : BodyFont);
    StartSheet(area, area, false, GetPageFont(HeadingFont), normal, true, page);
    DrawSheet(sheet, 0);
    EndSheet();
    return true;
}

bool QMPrintout::PrintParentSheetOnHalfPage(int sheetIndex, int half) {
    if (sheetIndex < 0 || sheetIndex >= static_cast<int>(selection_.parentSheets.size())) {
        return true;
    }
    PageRect clip;
    const PageRect area = HalfPageArea(pageWidth_, pageHeight_, half, &clip);
    StartSheet(area, clip, true, GetPageFont(HeadingFont), GetPageFont(BodyFont));
    DrawSheet(selection_.parentSheets[sheetIndex], 0);
    EndSheet();
    return true;
}

bool QMPrintout::PrintOverviewPage(int page, bool teachers) {
    const int side = teachers ? 2 : 4;
    const int perPage = side * side;
    const auto& sheets = teachers ? selection_.teacherSheets : selection_.parentSheets;
    for (int i = (page - 1) * perPage; i < page * perPage; ++i) {
        if (i >= static_cast<int>(sheets.size())) {
            break;
        }
        const PageRect cell = OverviewCell(pageWidth_, pageHeight_, i, side, side);
        StartSheet(cell, cell, false, GetPageFont(OverviewHeadingFont),
                   GetPageFont(OverviewBodyFont));
        DrawSheet(sheets[i], 1);
        EndSheet();
    }
    return true;
}

void QMPrintout::DrawSheet(const PrintSheet& sheet, int qrSuppression) {
    PrintRendererWX renderer(this);
    const Person* person = sheet.teacher != nullptr ? static_cast<const Person*>(sheet.teacher)
                                                    : static_cast<const Person*>(sheet.parent);
    // Overview cells never show the code, so none is made for them.
    std::unique_ptr<QMImageWX> qrImage;
    if (qrSuppression == 0 && settings_.GetQRCodes()) {
        qrImage = MakeQRCodeImage(sheet.day, person);
    }
    // Text that runs on to another page stops above the code and its scan line, as in a PDF.
    if (paged_ && qrImage) {
        bands_ = SheetBands(area_.top, area_.Height(), area_.Width() / 8 + LineHeight() / 2);
    }
    std::unique_ptr<PrintJob> job;
    if (sheet.teacher != nullptr) {
        job = std::make_unique<TeacherPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                                logo_.get(), qrImage.get(), sheet.teacher,
                                                &settings_);
        job->SetScript(settings_.GetTeacherScript());
    } else {
        job =
            std::make_unique<ParentPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                             logo_.get(), qrImage.get(), sheet.parent, &settings_);
        job->SetScript(settings_.GetParentScript());
    }
    job->SetQRSuppression(qrSuppression);
    // Measured, printed, redrawn and shown in an overview cell, a sheet runs its script once.
    job->KeepScriptedBody(&bodies_[&sheet]);
    job->Print();
}

std::unique_ptr<QMImageWX> QMPrintout::MakeQRCodeImage(const Schedule* day,
                                                       const Person* person) const {
    const std::string text =
        SheetCalendarText(*day, person, controller_->GetUserSettings().GetICalendarType());
    // No entry, no code: without an image the sheet does not ask to scan one either.
    if (text.empty()) {
        return nullptr;
    }
    // A text too long for any symbol makes no code, and the sheet keeps no room for one.
    QRCodeMatrix symbol;
    if (!symbol.Encode(text.c_str())) {
        return nullptr;
    }
    auto image = std::make_unique<QMImageWX>();
    image->CreateFromQRCode(symbol);
    return image;
}

// --- drawing ---

void QMPrintout::StartSheet(const PageRect& area, const PageRect& clip, bool turned, wxFont* bold,
                            wxFont* normal, bool paged, int page) {
    area_ = area;
    clip_ = clip;
    turned_ = turned;
    paged_ = paged && !turned;
    turnedOverflow_ = false;
    bands_ = SheetBands(area.top, area.Height());
    drawBand_ = page;
    lastBand_ = 0;
    RestoreSheetClip();
    boldFont_ = bold;
    normalFont_ = normal;
    SelectFont(*bold);
    boldLineHeight_ = LineHeight();
    SelectFont(*normal);
    lastLine_ = DrawnLine();
    cutMarked_ = false;
    penX_ = area_.left;
    penY_ = turned_ ? area_.bottom : area_.top;
}

void QMPrintout::EndSheet() {
    GetDC()->DestroyClippingRegion();
}

void QMPrintout::RestoreSheetClip() {
    wxDC* dc = GetDC();
    dc->DestroyClippingRegion();
    dc->SetClippingRegion(clip_.left, clip_.top, clip_.Width(), clip_.Height());
}

void QMPrintout::UseBoldFont() {
    if (boldFont_ != nullptr) {
        SelectFont(*boldFont_);
    }
}

void QMPrintout::UseNormalFont() {
    if (normalFont_ != nullptr) {
        SelectFont(*normalFont_);
    }
}

void QMPrintout::SelectFont(const wxFont& font) {
    GetDC()->SetFont(font);
    measure_.SetFont(font);
}

int QMPrintout::LineHeight() const {
    return measure_.GetCharHeight();
}

int QMPrintout::TextWidth(const std::string& text) const {
    return measure_.GetTextExtent(FromUtf8Text(text)).GetWidth();
}

LineCursor QMPrintout::ToCursor(int penX, int penY) const {
    return turned_ ? LineCursor{area_.bottom - penY, penX} : LineCursor{penX, penY};
}

void QMPrintout::FromCursor(const LineCursor& cursor, int& penX, int& penY) const {
    penX = turned_ ? cursor.across : cursor.along;
    penY = turned_ ? area_.bottom - cursor.along : cursor.across;
}

int QMPrintout::NextLineY(int y, int lineHeight) const {
    return paged_ ? bands_.NextLine(y, lineHeight) : y + lineHeight;
}

bool QMPrintout::Visible(int y) {
    const int band = paged_ ? bands_.BandOf(y) : 0;
    lastBand_ = std::max(lastBand_, band);
    return band == drawBand_;
}

void QMPrintout::DrawAt(const std::string& text, int x, int y) {
    if (turned_) {
        if (!inFooter_ && x + LineHeight() > area_.right) {
            turnedOverflow_ = true;
        }
        if (drawBand_ == 0) {
            DrawTextOnPage(FromUtf8Text(text), x, y, 90.0);
        }
        return;
    }
    if (!Visible(y)) {
        return;
    }
    const int lineHeight = LineHeight();
    // A sheet that cannot go on to another page shows that it was cut, and slices no line.
    if (!paged_ && y + lineHeight > area_.bottom) {
        MarkCut();
        return;
    }
    DrawTextOnPage(FromUtf8Text(text), x, PageY(y), 0.0);
    if (y >= lastLine_.y) {
        lastLine_ = {y, x + TextWidth(text), lineHeight};
    }
}

void QMPrintout::MarkCut() {
    if (cutMarked_ || lastLine_.height == 0) {
        return;
    }
    cutMarked_ = true;
    const wxString ellipsis = wxString::FromUTF8("\xE2\x80\xA6");
    const int width = measure_.GetTextExtent(ellipsis).GetWidth();
    const int x = std::min(lastLine_.end, area_.right - width);
    wxDC* dc = GetDC();
    dc->SetPen(*wxTRANSPARENT_PEN);
    dc->SetBrush(*wxWHITE_BRUSH);
    dc->DrawRectangle(x, lastLine_.y, area_.right - x, lastLine_.height);
    DrawTextOnPage(ellipsis, x, lastLine_.y, 0.0);
}

void QMPrintout::DrawTextOnPage(const wxString& text, int x, int y, double angle) {
    if (angle != 0.0) {
        GetDC()->DrawRotatedText(text, x, y, angle);
    } else {
        GetDC()->DrawText(text, x, y);
    }
}

void QMPrintout::DrawWrappedText(const std::string& line, int& penX, int& penY, bool paginate) {
    const int lineStart = turned_ ? 0 : area_.left;
    const int lineEnd = turned_ ? area_.bottom - area_.top : area_.right;
    const int lineHeight = LineHeight();
    LineCursor cursor = ToCursor(penX, penY);
    const auto pieces = WrapLine(
        line, cursor, lineStart, lineEnd,
        [this, lineHeight, paginate](int across) {
            return paginate && !turned_ ? NextLineY(across, lineHeight) : across + lineHeight;
        },
        [this](const std::string& s) { return TextWidth(s); });
    for (const LinePiece& piece : pieces) {
        int x = 0;
        int y = 0;
        FromCursor({piece.along, piece.across}, x, y);
        DrawAt(piece.text, x, y);
    }
    FromCursor(cursor, penX, penY);
}

void QMPrintout::PrintText(const std::string& text) {
    StringTokeniser lines(text);
    std::string line;
    while (lines.NextLine(line)) {
        DrawWrappedText(line, penX_, penY_);
        const int lineHeight = LineHeight();
        if (turned_) {
            penX_ += lineHeight;
            penY_ = area_.bottom;
        } else {
            penY_ = NextLineY(penY_, lineHeight);
            penX_ = area_.left;
        }
    }
}

void QMPrintout::PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                           float widthPercent) {
    if (style == CellStyle::Normal) {
        UseNormalFont();
    } else if (style == CellStyle::Bold) {
        UseBoldFont();
    }
    const int lineHeight = LineHeight();
    if (turned_) {
        const int end = CellEnd(penY_, area_.bottom, area_.top, widthPercent);
        DrawCellText(text, penX_, penY_, end);
        if (advance == CellAdvance::Beside) {
            penY_ = end;
        } else if (advance == CellAdvance::EndRow) {
            penX_ += lineHeight;
            penY_ = area_.bottom;
        }
    } else {
        const int end = CellEnd(penX_, area_.left, area_.right, widthPercent);
        DrawCellText(text, penX_, penY_, end);
        if (advance == CellAdvance::Beside) {
            penX_ = end;
        } else if (advance == CellAdvance::EndRow) {
            penY_ = NextLineY(penY_, lineHeight);
            penX_ = area_.left;
        }
    }
    UseNormalFont();
}

// The cell's clip narrows the sheet's, and the sheet's comes back after it.
void QMPrintout::DrawCellText(const std::string& text, int x0, int y0, int end) {
    if (text.empty()) {
        return;
    }
    wxDC* dc = GetDC();
    if (turned_) {
        if (x0 + LineHeight() > area_.right) {
            turnedOverflow_ = true;
        }
        if (drawBand_ != 0) {
            return;
        }
        dc->SetClippingRegion(x0, end, area_.right - x0, y0 - end);
    } else {
        if (!Visible(y0)) {
            return;
        }
        dc->SetClippingRegion(x0, PageY(y0), end - x0, area_.bottom - PageY(y0));
    }
    DrawAt(text, x0, y0);
    RestoreSheetClip();
}

void QMPrintout::PrintFooter(const std::string& text) {
    if (wxFont* footer = GetPageFont(FooterFont)) {
        SelectFont(*footer);
    }
    const int lineHeight = LineHeight();
    // On the page the pen is on.
    const int pageStart = penY_ - PageY(penY_);
    int penX = turned_ ? area_.right - lineHeight : area_.left;
    int penY = turned_ ? area_.bottom : pageStart + area_.bottom - lineHeight;
    // What runs past the page's bottom is cut, never continued on a page of its own.
    const int lastBand = lastBand_;
    inFooter_ = true;
    StringTokeniser lines(text);
    std::string line;
    while (lines.NextLine(line)) {
        DrawWrappedText(line, penX, penY, false);
        if (turned_) {
            penX += lineHeight;
            penY = area_.bottom;
        } else {
            penY += lineHeight;
            penX = area_.left;
        }
    }
    inFooter_ = false;
    lastBand_ = lastBand;
    UseNormalFont();
}

void QMPrintout::PrintSeparator() {
    wxDC* dc = GetDC();
    dc->SetPen(*wxStockGDI::GetPen(wxStockGDI::PEN_BLACK));
    const int half = boldLineHeight_ / 2;
    if (turned_) {
        const int x = penX_ + half;
        if (drawBand_ == 0) {
            dc->DrawLine(x, area_.bottom, x, area_.top);
        }
        penX_ += boldLineHeight_;
        return;
    }
    const int y = penY_ + half;
    int right = area_.right;
    const int logoSide = area_.Width() / 8;
    if (logo_ && y <= area_.top + logoSide) {
        right = area_.right - logoSide - half;
    }
    if (Visible(penY_)) {
        const int pageY = PageY(penY_) + half;
        dc->DrawLine(area_.left, pageY, right, pageY);
    }
    penY_ = NextLineY(penY_, boldLineHeight_);
}

void QMPrintout::PrintImage(QMImage* image, int corner) {
    const auto* picture = dynamic_cast<const QMImageWX*>(image);
    if (picture == nullptr || !picture->GetImage().IsOk() || (corner != 0 && corner != 1)) {
        return;
    }
    const wxImage& source = picture->GetImage();
    const int w = source.GetWidth();
    const int h = source.GetHeight();
    const int larger = std::max(w, h);
    wxImage scaled;
    int x = 0;
    int y = 0;
    if (turned_) {
        const double factor = static_cast<double>(area_.Height() / 8) / larger;
        const int sw = static_cast<int>(h * factor);
        const int sh = static_cast<int>(w * factor);
        if (sw <= 0 || sh <= 0) {
            return;
        }
        scaled = source.Rotate90(false).Scale(sw, sh, wxIMAGE_QUALITY_NORMAL);
        x = corner == 0 ? area_.left : area_.right - sw;
        y = area_.top;
    } else {
        const double factor = static_cast<double>(area_.Width() / 8) / larger;
        const int sw = static_cast<int>(w * factor);
        const int sh = static_cast<int>(h * factor);
        if (sw <= 0 || sh <= 0) {
            return;
        }
        scaled = source.Scale(sw, sh, wxIMAGE_QUALITY_NORMAL);
        x = area_.right - sw;
        y = corner == 0 ? area_.top : area_.bottom - sh;
    }
    // On the page the pen is on.
    if (turned_ ? drawBand_ == 0 : Visible(penY_)) {
        GetDC()->DrawBitmap(wxBitmap(scaled, -1), x, y, false);
    }
}
