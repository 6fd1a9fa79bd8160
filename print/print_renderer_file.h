#pragma once

#include <string>

#include "model/print_renderer.h"

// The handouts as a text file: heading lines as they are, table rows as quoted fields separated
// by ", ", an empty line after each sheet. The file replaces any old one only when it is
// complete, so a failed export never leaves half a file.
class PrintRendererFile : public PrintRenderer {
public:
    // Reports "Cannot write to file '<name>'" when the file cannot be written there: no such
    // folder, or an old file closed to writing.
    explicit PrintRendererFile(const char* fileName);
    // Closes the file when Close was not called.
    ~PrintRendererFile() override;

    bool IsOK() override { return open_; }
    void EndPage() override;
    void PrintText(const std::string& text) override;
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float widthPercent) override;
    void PrintBoldText(const std::string& text) override { PrintText(text); }
    void PrintFooter(const std::string&) override {}
    void PrintSeparator() override {}
    void PrintImage(QMImage*, int) override {}

    // Puts the whole text in place of the file. False (reported) when it could not be written;
    // after that the renderer is no longer OK, and a second Close answers the same.
    bool Close();

private:
    std::string fileName_;
    std::string text_;
    bool open_ = false;
    bool written_ = false;
};
