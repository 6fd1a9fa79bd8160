#include "print/print_renderer_pdf.h"

#include <hpdf_pages.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/output_file.h"
#include "foundation/string_tokeniser.h"
#include "foundation/uc_error.h"
#include "print/pdf_image.h"
#include "print/pdf_stream_compressor.h"
#include "print/win_ansi.h"

PrintRendererPDF::PrintRendererPDF(unsigned compressingWorkers) {
    document_ = HPDF_New(&PrintRendererPDF::OnError, this);
    if (document_ != nullptr) {
        HPDF_SetCompressionMode(document_, HPDF_COMP_ALL);
        compressor_ = std::make_unique<PdfStreamCompressor>(document_, compressingWorkers);
    }
}

PrintRendererPDF::~PrintRendererPDF() {
    compressor_.reset();
    if (document_ != nullptr) {
        HPDF_Free(document_);
    }
}

void PrintRendererPDF::OnError(HPDF_STATUS error, HPDF_STATUS detail, void* user) {
    auto* renderer = static_cast<PrintRendererPDF*>(user);
    if (renderer->errorsQuiet_) {
        return;
    }
    renderer->ok_ = false;
    char text[80];
    std::snprintf(text, sizeof text, "Error code %04X/%d while creating PDF document",
                  static_cast<unsigned>(error), static_cast<int>(detail));
    ReportMessage(SeverityError, text);
}

float PrintRendererPDF::PageWidth() const {
    return HPDF_Page_GetWidth(page_);
}

float PrintRendererPDF::PageHeight() const {
    return HPDF_Page_GetHeight(page_);
}

// Text stays clear of the QR code and the footer at the bottom right.
float PrintRendererPDF::BottomLimit() const {
    return topMargin_ + (PageWidth() - 2 * leftMargin_) * 0.125F + 4;
}

void PrintRendererPDF::StartPage() {
    if (!IsOK()) {
        return;
    }
    AddPage();
    if (page_ == nullptr) {
        return;
    }
    for (FontIndex font : {kBold, kSmall, kNormal}) {
        SelectFont(font);
        fonts_[font].lineHeight = HPDF_Page_TextWidth(page_, "M") * lineSpacing_;
    }
    lineHeight_ = fonts_[kNormal].lineHeight;
}

// A page is finished once the next one begins: its contents go to be compressed meanwhile.
void PrintRendererPDF::SubmitFinishedPage() {
    if (page_ != nullptr && compressor_) {
        compressor_->Submit(static_cast<HPDF_PageAttr>(page_->attr)->contents);
    }
}

void PrintRendererPDF::AddPage() {
    SubmitFinishedPage();
    HPDF_Page page = HPDF_AddPage(document_);
    if (page == nullptr) {
        return;
    }
    page_ = page;
    ++pageCount_;
    HPDF_Page_SetSize(page_, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
    HPDF_Page_SetRGBFill(page_, 0, 0, 0);
    penX_ = leftMargin_;
    penY_ = PageHeight() - topMargin_;
}

void PrintRendererPDF::ContinuePage() {
    const FontIndex font = currentFont_;
    AddPage();
    SelectFont(font);
}

void PrintRendererPDF::SelectFont(FontIndex font) {
    if (baseFonts_[font] == nullptr) {
        baseFonts_[font] = HPDF_GetFont(document_, fonts_[font].name, "WinAnsiEncoding");
    }
    currentFont_ = font;
    lineHeight_ = fonts_[font].lineHeight;
    HPDF_Page_SetFontAndSize(page_, baseFonts_[font], static_cast<HPDF_REAL>(fonts_[font].size));
}

// The small and the normal font share one file, which the library takes only once.
HPDF_Font PrintRendererPDF::UnicodeFont(FontIndex font) {
    const int face = font == kBold ? 1 : 0;
    if (!unicodeTried_[face]) {
        unicodeTried_[face] = true;
        const char* file = fonts_[font].unicodeFile;
        if (access(file, R_OK) == 0) {
            // The library takes the encodings once per document.
            if (!utfEncodings_) {
                utfEncodings_ = HPDF_UseUTFEncodings(document_) == HPDF_OK;
            }
            const char* name = HPDF_LoadTTFontFromFile(document_, file, HPDF_TRUE);
            if (name != nullptr) {
                unicodeFonts_[face] = HPDF_GetFont(document_, name, "UTF-8");
            }
        }
    }
    return unicodeFonts_[face];
}

// Windows-1252 text goes in the base font; anything else in the Unicode font when there is
// one, else as the base font's nearest bytes.
std::string PrintRendererPDF::UseFontFor(const std::string& text) {
    std::string bytes;
    HPDF_Font font = baseFonts_[currentFont_];
    if (!ToWinAnsi(text, &bytes)) {
        if (HPDF_Font unicode = UnicodeFont(currentFont_)) {
            font = unicode;
            bytes = text;
        }
    }
    HPDF_Page_SetFontAndSize(page_, font, static_cast<HPDF_REAL>(fonts_[currentFont_].size));
    return bytes;
}

void PrintRendererPDF::NextLine() {
    penX_ = leftMargin_;
    penY_ -= lineHeight_;
    if (penY_ < BottomLimit()) {
        ContinuePage();
        penY_ -= lineHeight_;
    }
}

void PrintRendererPDF::DrawAt(float x, float y, const std::string& bytes) {
    HPDF_Page_BeginText(page_);
    HPDF_Page_TextOut(page_, x, y, bytes.c_str());
    HPDF_Page_EndText(page_);
}

bool PrintRendererPDF::PlacePiece(const std::string& text, float right) {
    if (text.empty()) {
        return true;
    }
    const std::string bytes = UseFontFor(text);
    const float width = HPDF_Page_TextWidth(page_, bytes.c_str());
    if (right <= penX_ + width) {
        return false;
    }
    DrawAt(penX_, penY_, bytes);
    penX_ += std::trunc(width);
    return true;
}

// A word wider than the whole line runs past the right edge; the next word then starts a line
// of its own.
void PrintRendererPDF::PlaceWord(const std::string& word, float right) {
    if (PlacePiece(word, right)) {
        return;
    }
    if (penX_ > leftMargin_) {
        NextLine();
        if (PlacePiece(word, right)) {
            return;
        }
    }
    DrawAt(penX_, penY_, UseFontFor(word));
    penX_ = right;
}

void PrintRendererPDF::PlaceLine(const std::string& line, float right) {
    if (PlacePiece(line, right)) {
        return;
    }
    size_t start = 0;
    for (size_t blank = line.find(' '); blank != std::string::npos; blank = line.find(' ', start)) {
        PlaceWord(line.substr(start, blank + 1 - start), right);
        start = blank + 1;
    }
    PlaceWord(line.substr(start), right);
}

void PrintRendererPDF::PrintText(const std::string& text) {
    if (!IsOK() || page_ == nullptr) {
        return;
    }
    const float right = std::trunc(PageWidth() - leftMargin_);
    StringTokeniser lines(text);
    std::string line;
    while (lines.NextLine(line)) {
        NextLine();
        PlaceLine(line, right);
    }
}

void PrintRendererPDF::PrintBoldText(const std::string& text) {
    if (!IsOK() || page_ == nullptr) {
        return;
    }
    SelectFont(kBold);
    PrintText(text);
    SelectFont(kNormal);
}

void PrintRendererPDF::PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                                 float widthPercent) {
    if (!IsOK() || page_ == nullptr) {
        return;
    }
    if (style == CellStyle::Normal) {
        SelectFont(kNormal);
    } else if (style == CellStyle::Bold) {
        SelectFont(kBold);
    }
    // A row that would reach into the bottom band starts on a further page.
    if (penX_ <= leftMargin_ && penY_ - lineHeight_ < BottomLimit()) {
        ContinuePage();
    }
    const float cellRight = penX_ + (PageWidth() - 2 * leftMargin_) * widthPercent / 100;
    DrawCellText(text, cellRight);
    if (advance == CellAdvance::Beside) {
        penX_ = cellRight;
    } else if (advance == CellAdvance::EndRow) {
        penX_ = leftMargin_;
        penY_ -= lineHeight_;
    }
    SelectFont(kNormal);
}

// One line below the pen, cut off at the column's right edge or the right margin.
void PrintRendererPDF::DrawCellText(const std::string& text, float cellRight) {
    const float width = std::min(cellRight, PageWidth() - leftMargin_) - penX_;
    if (text.empty() || width <= 0) {
        return;
    }
    HPDF_Page_GSave(page_);
    HPDF_Page_Rectangle(page_, penX_, penY_ - 2 * lineHeight_, width, 2 * lineHeight_);
    HPDF_Page_Clip(page_);
    HPDF_Page_EndPath(page_);
    DrawAt(penX_, penY_ - lineHeight_, UseFontFor(text));
    HPDF_Page_GRestore(page_);
}

void PrintRendererPDF::PrintFooter(const std::string& text) {
    if (!IsOK() || page_ == nullptr) {
        return;
    }
    SelectFont(kSmall);
    DrawAt(leftMargin_, leftMargin_, UseFontFor(text));
    SelectFont(kNormal);
}

void PrintRendererPDF::PrintSeparator() {
    if (!IsOK() || page_ == nullptr) {
        return;
    }
    const float height = fonts_[kBold].lineHeight;
    penX_ = leftMargin_;
    penY_ -= height;
    if (penY_ < BottomLimit()) {
        ContinuePage();
        penY_ -= height;
    }
    const float y = penY_ + height / 2;
    HPDF_Page_MoveTo(page_, leftMargin_, y);
    HPDF_Page_LineTo(page_, PageWidth() - leftMargin_, y);
    HPDF_Page_Stroke(page_);
}

void PrintRendererPDF::PrintImage(QMImage* image, int corner) {
    auto* pdfImage = dynamic_cast<PDFImage*>(image);
    if (!IsOK() || page_ == nullptr || pdfImage == nullptr || pdfImage->GetImage() == nullptr ||
        pdfImage->GetDocument() != document_) {
        return;
    }
    const float width = static_cast<float>(HPDF_Image_GetWidth(pdfImage->GetImage()));
    const float height = static_cast<float>(HPDF_Image_GetHeight(pdfImage->GetImage()));
    if (width <= 0 || height <= 0) {
        return;
    }
    const float scale = (PageWidth() - 2 * leftMargin_) * 0.125F / std::max(width, height);
    const float drawnWidth = width * scale;
    const float drawnHeight = height * scale;
    const float x = PageWidth() - leftMargin_ - drawnWidth;
    float y = 0;
    if (corner == kImageTop) {
        y = PageHeight() - topMargin_ - drawnHeight;
    } else if (corner == kImageBottom) {
        y = topMargin_;
    } else {
        return;
    }
    HPDF_Page_DrawImage(page_, pdfImage->GetImage(), x, y, drawnWidth, drawnHeight);
    // An image is whole once drawn; a logo drawn again is not handed over twice.
    if (compressor_) {
        compressor_->Submit(pdfImage->GetImage());
    }
}

std::unique_ptr<PDFImage> PrintRendererPDF::CreateImage() {
    return std::make_unique<PDFImage>(document_, this);
}

HPDF_STATUS PrintRendererPDF::SaveToFile(const char* fileName) {
    if (document_ == nullptr) {
        return HPDF_INVALID_DOCUMENT;
    }
    SubmitFinishedPage();
    if (compressor_) {
        compressor_->Finish();
    }
    HPDF_STATUS status = HPDF_SaveToStream(document_);
    std::vector<HPDF_BYTE> bytes;
    if (status == HPDF_OK) {
        bytes.resize(HPDF_GetStreamSize(document_));
        HPDF_ResetStream(document_);
        HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
        status = HPDF_ReadFromStream(document_, bytes.data(), &size);
        if (status == HPDF_STREAM_EOF) {
            status = HPDF_OK;
        }
        bytes.resize(size);
    }
    if (status != HPDF_OK) {
        return status;
    }
    const std::string name = fileName != nullptr ? fileName : "";
    if (!WriteOutputFile(name, bytes.data(), bytes.size())) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + name + "': ");
        return HPDF_FILE_IO_ERROR;
    }
    return HPDF_OK;
}
