#pragma once

class wxPrintout;
class wxPrintPreviewBase;
class wxWindow;

// Opens the preview in its own window over parent, which keeps the other windows disabled
// while it is open and owns the preview. A preview the framework could not start is deleted
// with its printouts and reported; false then.
bool ShowPreviewWindow(wxWindow* parent, wxPrintPreviewBase* preview);

// Prints after the system's print dialog. A printer's failure is reported; a cancel is not.
bool PrintWithDialog(wxWindow* parent, wxPrintout* printout);
