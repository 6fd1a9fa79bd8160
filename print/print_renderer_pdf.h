#pragma once

#include <hpdf.h>

#include <memory>
#include <string>

#include "model/print_renderer.h"
#include "print/pdf_stream_compressor.h"

class PDFImage;

// Sheets as a PDF document: A4 portrait pages, Helvetica in three sizes, text wrapped word by
// word, table cells clipped to their column, images in the right margin. Text outside
// Windows-1252 is drawn in an embedded Unicode font. A sheet that runs past the bottom
// continues on a further page.
class PrintRendererPDF : public PrintRenderer {
public:
    // Finished pages and images are compressed by that many threads while drawing goes on.
    explicit PrintRendererPDF(unsigned compressingWorkers = PdfStreamCompressor::DefaultWorkers());
    ~PrintRendererPDF() override;

    bool IsOK() override { return document_ != nullptr && ok_; }
    void StartPage() override;
    void PrintText(const std::string& text) override;
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float widthPercent) override;
    void PrintBoldText(const std::string& text) override;
    void PrintFooter(const std::string& text) override;
    void PrintSeparator() override;
    void PrintImage(QMImage* image, int corner) override;

    // Puts the document in place of the file, whole or not at all; an old file closed to
    // writing is kept. 0 on success, else the library's error (reported).
    HPDF_STATUS SaveToFile(const char* fileName);
    // An image of this document, owned by the caller.
    std::unique_ptr<PDFImage> CreateImage();

    // While set, library errors (a broken image file) are quietly dropped instead of ending
    // the document.
    void SetErrorsQuiet(bool quiet) { errorsQuiet_ = quiet; }

    float GetPenX() const { return penX_; }
    float GetPenY() const { return penY_; }
    float GetLineHeight() const { return lineHeight_; }
    int GetPageCount() const { return pageCount_; }

private:
    enum FontIndex { kNormal = 0, kBold = 1, kSmall = 2, kFontCount = 3 };
    struct FontSpec {
        const char* name;
        const char* unicodeFile;
        int size;
        float lineHeight;
    };

    static void OnError(HPDF_STATUS error, HPDF_STATUS detail, void* renderer);
    void AddPage();
    void SubmitFinishedPage();
    // A further page for a sheet that ran past the bottom, in the font of the moment.
    void ContinuePage();
    void SelectFont(FontIndex font);
    // Sets the page font that can show the text and gives the bytes to draw in it.
    std::string UseFontFor(const std::string& text);
    HPDF_Font UnicodeFont(FontIndex font);
    float PageWidth() const;
    float PageHeight() const;
    float BottomLimit() const;
    void NextLine();
    bool PlacePiece(const std::string& text, float right);
    void PlaceWord(const std::string& word, float right);
    void PlaceLine(const std::string& line, float right);
    void DrawAt(float x, float y, const std::string& bytes);
    void DrawCellText(const std::string& text, float cellRight);

    HPDF_Doc document_ = nullptr;
    HPDF_Page page_ = nullptr;
    float penX_ = 0;
    float penY_ = 0;
    float leftMargin_ = 40;
    float topMargin_ = 40;
    FontSpec fonts_[kFontCount] = {
        {"Helvetica", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12, 0},
        {"Helvetica-Bold", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 16, 0},
        {"Helvetica", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 10, 0}};
    FontIndex currentFont_ = kNormal;
    float lineHeight_ = 0;
    float lineSpacing_ = 1.5F;
    bool ok_ = true;
    bool errorsQuiet_ = false;
    int pageCount_ = 0;
    std::unique_ptr<PdfStreamCompressor> compressor_;
    HPDF_Font baseFonts_[kFontCount] = {};
    // Regular and bold, loaded on first need; the flag keeps a missing font file from being
    // tried again.
    HPDF_Font unicodeFonts_[2] = {};
    bool unicodeTried_[2] = {};
    bool utfEncodings_ = false;
};
