#include "gui/dialogs/about_dlg.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <memory>

#include "gui/dialogs/product_info.h"

LargeStaticBitmap::LargeStaticBitmap(wxWindow* parent, const wxBitmap* bitmap)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition,
               bitmap->IsOk() ? bitmap->GetSize() : wxSize(0, 0), 0, wxPanelNameStr),
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

wxBitmap MakeAboutPicture() {
    const int width = 276;
    const int height = 133;
    wxBitmap picture(width, height, 24);
    wxMemoryDC dc(picture);
    dc.SetBackground(wxBrush(wxColour(250, 248, 240)));
    dc.Clear();
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc) {
        return picture;
    }
    // A timetable sheet: rows of teachers, columns of slots, some of them booked.
    gc->SetPen(wxPen(wxColour(90, 90, 110), 2));
    gc->SetBrush(wxBrush(wxColour(255, 255, 255)));
    gc->DrawRoundedRectangle(12, 14, 170, 105, 8);
    const wxColour booked[] = {wxColour(108, 170, 92), wxColour(232, 184, 72),
                               wxColour(94, 140, 206)};
    gc->SetPen(wxPen(wxColour(200, 200, 210), 1));
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 7; ++column) {
            const bool isBooked = (row * 3 + column * 5) % 4 != 0;
            gc->SetBrush(isBooked ? wxBrush(booked[(row + column) % 3])
                                  : wxBrush(wxColour(238, 238, 242)));
            gc->DrawRectangle(24 + column * 21, 26 + row * 18, 17, 13);
        }
    }
    // A quill across the sheet.
    wxGraphicsPath feather = gc->CreatePath();
    feather.MoveToPoint(150, 124);
    feather.AddCurveToPoint(180, 80, 220, 40, 262, 10);
    feather.AddCurveToPoint(250, 50, 215, 92, 158, 122);
    feather.CloseSubpath();
    gc->SetPen(wxPen(wxColour(70, 60, 50), 2));
    gc->SetBrush(wxBrush(wxColour(236, 226, 206)));
    gc->DrawPath(feather);
    wxGraphicsPath spine = gc->CreatePath();
    spine.MoveToPoint(146, 128);
    spine.AddCurveToPoint(190, 80, 225, 45, 258, 14);
    gc->StrokePath(spine);
    return picture;
}

AboutDlg::AboutDlg(wxWindow* parent)
    : OKCancelDlg(parent, "About Quillmoot"), picture_(MakeAboutPicture()) {
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
