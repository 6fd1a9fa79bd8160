#include "print/wx/qm_image_wx.h"

#include <wx/log.h>
#include <wx/mstream.h>

#include "print/image_file.h"
#include "print/qr_code_matrix.h"

bool QMImageWX::LoadFile(const std::string& fileName) {
    // A missing logo is ours to report, not wx's log window; a FIFO must not hang the print.
    std::string bytes;
    if (!ReadImageFile(fileName, &bytes)) {
        image_.Destroy();
        return false;
    }
    wxLogNull quiet;
    wxMemoryInputStream stream(bytes.data(), bytes.size());
    if (!image_.LoadFile(stream, wxBITMAP_TYPE_ANY, -1)) {
        image_.Destroy();
        return false;
    }
    return true;
}

void QMImageWX::CreateFromQRCode(const QRCodeMatrix& symbol) {
    const int width = symbol.GetWidth();
    if (width == 0) {
        return;
    }
    image_.Create(width, width, true);
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char level = symbol.IsDark(x, y) ? 0 : 255;
            image_.SetRGB(x, y, level, level, level);
        }
    }
}
