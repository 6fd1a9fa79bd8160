#pragma once

#include <wx/image.h>

#include <string>

#include "print/qm_image.h"

class QRCodeMatrix;

// A picture for the printer and the preview, held as a wxImage: the logo, read by any image
// handler the program registered, or a QR code at one pixel a module.
class QMImageWX : public QMImage {
public:
    QMImageWX() = default;

    // The name is UTF-8. False, leaving the image empty, when no handler reads the file.
    bool LoadFile(const std::string& fileName) override;
    // Black modules on white, no border; an empty symbol leaves the image as it was.
    void CreateFromQRCode(const QRCodeMatrix& symbol);
    bool IsEmpty() const override { return !image_.IsOk(); }

    const wxImage& GetImage() const { return image_; }

private:
    wxImage image_;
};
