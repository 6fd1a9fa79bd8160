#pragma once

#include <string>

class QMImage;

// How a table cell is written, and where the pen goes after it: beside the cell, or to the
// start of the next row.
enum class CellStyle { Normal = 0, Bold = 1 };
enum class CellAdvance { Beside = 0, EndRow = 1 };

// The one drawing target of every teacher and parent sheet: printer and preview, PDF or a text
// file. Sheets and print scripts only call these operations, so a sheet is written once.
class PrintRenderer {
public:
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
    // One table cell; widthPercent is of the printable width.
    virtual void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                           float widthPercent) = 0;
    virtual void PrintBoldText(const std::string& text) = 0;
    // One small line at the bottom left, wherever the pen is.
    virtual void PrintFooter(const std::string& text) = 0;
    virtual void PrintSeparator() = 0;
    // The image's larger side is an eighth of the printable width, against the right margin.
    virtual void PrintImage(QMImage* image, int corner) = 0;

    // PrintText once for each line of the text; nothing for an empty text.
    void PrintLines(const std::string& text);
};
