#include "print/wx/print_renderer_wx.h"

#include "print/wx/qm_printout.h"

void PrintRendererWX::PrintText(const std::string& text) {
    printout_->PrintText(text);
}

void PrintRendererWX::PrintCell(const std::string& text, CellStyle style, CellAdvance advance,
                                float widthPercent) {
    printout_->PrintCell(text, style, advance, widthPercent);
}

void PrintRendererWX::PrintBoldText(const std::string& text) {
    printout_->UseBoldFont();
    printout_->PrintText(text);
    printout_->UseNormalFont();
}

void PrintRendererWX::PrintFooter(const std::string& text) {
    printout_->PrintFooter(text);
}

void PrintRendererWX::PrintSeparator() {
    printout_->PrintSeparator();
}

void PrintRendererWX::PrintImage(QMImage* image, int corner) {
    printout_->PrintImage(image, corner);
}
