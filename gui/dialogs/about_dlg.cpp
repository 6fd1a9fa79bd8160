#include "gui/dialogs/about_dlg.h"

#include <wx/dcclient.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/dialogs/pictures.h"
#include "gui/dialogs/product_info.h"

LargeStaticBitmap::LargeStaticBitmap(wxWindow* parent, const wxBitmap* bitmap)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition,
               bitmap->IsOk() ? bitmap->GetLogicalSize() : wxSize(0, 0), 0, wxPanelNameStr),
      bitmap_(bitmap) {
    // Sizers must keep the picture at its own size, whatever the screen's resolution.
    SetMinSize(GetSize());
    SetMaxSize(GetSize());
    Bind(wxEVT_PAINT, &LargeStaticBitmap::OnPaint, this);
}

void LargeStaticBitmap::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    if (bitmap_->IsOk()) {
        dc.DrawBitmap(*bitmap_, 0, 0, false);
    }
}

wxBitmap MakeAboutPicture(double scale) {
    const wxSize size(kAboutPictureWidth, kAboutPictureHeight);
    const wxBitmapBundle picture = MakeSvgBundle(kPictureAbout.text, kPictureAbout.size, size);
    // Opaque as drawn: without the alpha channel the picture paints the same on any background.
    wxImage image = picture.GetBitmap(size * scale).ConvertToImage();
    image.ClearAlpha();
    wxBitmap bitmap(image);
    bitmap.SetScaleFactor(scale);
    return bitmap;
}

AboutDlg::AboutDlg(wxWindow* parent)
    : OKCancelDlg(parent, "About Quillmoot"),
      picture_(MakeAboutPicture(parent ? parent->GetContentScaleFactor() : 1.0)) {
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(new LargeStaticBitmap(this, &picture_), 0, wxALIGN_CENTER | wxRIGHT, 5);

    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(new wxStaticText(this, wxID_ANY,
                                wxString(kProductName) + "\nParents' evenings, timetabled"),
               0, wxBOTTOM, 5);
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    grid->Add(new wxStaticText(this, wxID_ANY, "Version:"));
    grid->Add(new wxStaticText(this, wxID_ANY, kProductVersion));
    grid->Add(new wxStaticText(this, wxID_ANY, "Web:"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxHyperlinkCtrl(this, wxID_ANY, kProductWebAddress, kProductWebAddress), 0,
              wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxStaticText(this, wxID_ANY, "Email:"));
    grid->Add(new wxStaticText(this, wxID_ANY, kProductEmail));
    grid->Add(new wxStaticText(this, wxID_ANY, "Phone:"));
    grid->Add(new wxStaticText(this, wxID_ANY, kProductPhone));
    texts->Add(grid, 0, 0, 0);
    top->Add(texts, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);

    GetMainSizer()->Add(top, 0, wxALL, 5);
    AddCloseButton("Close");
}
