#pragma once

#include <wx/dnd.h>

class QuillmootFrame;

// Lets the main window take one event file dropped from the desktop or a file manager. The file
// is opened after the drop has returned, and a drop while a dialog is open is refused.
class QMFileDropTarget : public wxFileDropTarget {
public:
    explicit QMFileDropTarget(QuillmootFrame* frame) : frame_(frame) {}

    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;

private:
    QuillmootFrame* frame_;
};
