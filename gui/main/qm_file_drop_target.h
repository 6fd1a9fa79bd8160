#pragma once

#include <wx/dnd.h>

#include <functional>

// Lets the main window take one event file dropped from the desktop or a file manager. The file
// is opened after the drop has returned, and a drop while a dialog is open is refused.
class QMFileDropTarget : public wxFileDropTarget {
public:
    using Open = std::function<void(const wxString& path)>;
    QMFileDropTarget(wxWindow* window, Open open) : window_(window), open_(std::move(open)) {}

    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;

private:
    wxWindow* window_;
    Open open_;
};
