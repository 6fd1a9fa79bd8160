#pragma once

#include "model/print_renderer.h"

class QMPrintout;

// The renderer of the printer and the preview: draws on the page its printout is printing.
class PrintRendererWX : public PrintRenderer {
public:
    explicit PrintRendererWX(QMPrintout* printout) : printout_(printout) {}

    bool IsOK() override { return printout_ != nullptr; }
    void PrintText(const std::string& text) override;
    void PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                   float widthPercent) override;
    void PrintBoldText(const std::string& text) override;
    void PrintFooter(const std::string& text) override;
    void PrintSeparator() override;
    void PrintImage(QMImage* image, int corner) override;

private:
    QMPrintout* printout_;
};
