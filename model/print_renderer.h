#pragma once

#include <string>

class QMImage;

// The one drawing target of every teacher and parent sheet: printer and preview, PDF or a text
// file. Sheets and print scripts only call these operations, so a sheet is written once.
class PrintRenderer {
public:
    // Cell styles and advances of PrintCell.
    static constexpr int kCellNormal = 0;
    static constexpr int kCellBold = 1;
    static constexpr int kAdvanceBeside = 0;
    static constexpr int kAdvanceEndRow = 1;
    // Corners of PrintImage.
    static constexpr int kImageTop = 0;
    static constexpr int kImageBottom = 1;

    PrintRenderer() = default;
    virtual ~PrintRenderer() = default;
    PrintRenderer(const PrintRenderer&) = delete;
    PrintRenderer& operator=(const PrintRenderer&) = delete;

    virtual bool IsOK() = 0;
    virtual void StartPage() {}
    virtual void EndPage() {}
    // The text's lines (LF ends a line, CR is dropped), each wrapped to the printable width.
    virtual void PrintText(const std::string& text) = 0;
    // One table cell; widthPercent is of the printable width. Advance 0 stays on the row,
    // 1 ends it.
    virtual void PrintCell(const std::string& text, int style, int advance, float widthPercent) = 0;
    virtual void PrintBoldText(const std::string& text) = 0;
    // One small line at the bottom left, wherever the pen is.
    virtual void PrintFooter(const std::string& text) = 0;
    virtual void PrintSeparator() = 0;
    // The image's larger side is an eighth of the printable width, against the right margin.
    virtual void PrintImage(QMImage* image, int corner) = 0;

    // PrintText once for each line of the text; nothing for an empty text.
    void PrintLines(const std::string& text);
};
