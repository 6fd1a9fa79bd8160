#include "print/wx/print_preview.h"

#include <wx/print.h>

#include "foundation/uc_error.h"

bool ShowPreviewWindow(wxWindow* parent, wxPrintPreviewBase* preview) {
    if (!preview->IsOk()) {
        delete preview;
        ReportMessage(SeverityError,
                      "Could not start a print preview - the most common reason for this is that "
                      "you do not have a printer or the printer cannot be accessed. Please check "
                      "that a printer is attached and that it is working.");
        return false;
    }
    auto* frame =
        new wxPreviewFrame(preview, parent, "Print Preview", wxDefaultPosition, wxDefaultSize,
                           wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT);
    frame->Centre(wxBOTH);
    frame->InitializeWithModality(wxPreviewFrame_AppModal);
    frame->Show(true);
    return true;
}

bool PrintWithDialog(wxWindow* parent, wxPrintout* printout) {
    wxPrinter printer;
    if (printer.Print(parent, printout, true)) {
        return true;
    }
    if (wxPrinter::GetLastError() == wxPRINTER_ERROR) {
        ReportMessage(SeverityError,
                      "The schedule could not be printed. Please check that a printer is "
                      "attached and that it is working.");
    }
    return false;
}
