#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include "gui/dialogs/ok_cancel_dlg.h"

// A plain child window exactly the size of its bitmap, which it paints at its top-left corner.
// The bitmap is not owned and must outlive the window.
class LargeStaticBitmap : public wxWindow {
public:
    LargeStaticBitmap(wxWindow* parent, const wxBitmap* bitmap);

    void OnPaint(wxPaintEvent& event);

private:
    const wxBitmap* bitmap_;
};

inline constexpr int kAboutPictureWidth = 276;
inline constexpr int kAboutPictureHeight = 133;

// The program's picture, 276 x 133 pixels on screen whatever the resolution; drawn with
// `scale` times as many pixels each way (the screen's scale factor), so it stays sharp.
wxBitmap MakeAboutPicture(double scale = 1.0);

// The About box: the picture, the product's name and version and how to reach its makers.
class AboutDlg : public OKCancelDlg {
public:
    explicit AboutDlg(wxWindow* parent);

    const wxBitmap& GetPicture() const { return picture_; }

private:
    wxBitmap picture_;
};
