#pragma once

#include <hpdf.h>

#include "print/qm_image.h"

class PrintRendererPDF;
class QRCodeMatrix;

// An image in one PDF document: a PNG or JPEG file, or a QR code one pixel a module. The
// document owns the pixels; the image only points at them.
class PDFImage : public QMImage {
public:
    // The renderer, when given, keeps a broken file from counting as an error of its document.
    explicit PDFImage(HPDF_Doc document, PrintRendererPDF* renderer = nullptr)
        : document_(document), renderer_(renderer) {}

    // By the name's ending, ignoring case: ".png", ".jpg" or "jpeg"; anything else loads nothing.
    bool LoadFile(const std::string& fileName) override;
    // Nothing for an empty matrix.
    void CreateFromQRCode(const QRCodeMatrix& matrix);
    bool IsEmpty() const override { return image_ == nullptr; }

    HPDF_Doc GetDocument() const { return document_; }
    // Null until loaded or made.
    HPDF_Image GetImage() const { return image_; }

private:
    HPDF_Doc document_;
    PrintRendererPDF* renderer_;
    HPDF_Image image_ = nullptr;
};
