#include "print/pdf_image.h"

#include <vector>

#include "foundation/string_functions.h"
#include "print/image_file.h"
#include "print/print_renderer_pdf.h"
#include "print/qr_code_matrix.h"

namespace {

// The file's first bytes are those of its kind; libharu reports anything else as a document
// error, which would end the whole run for a bad logo.
bool StartsWithBytes(const std::string& bytes, const std::string& signature) {
    return bytes.compare(0, signature.size(), signature) == 0;
}

}  // namespace

bool PDFImage::LoadFile(const std::string& fileName) {
    if (document_ == nullptr) {
        return false;
    }
    const std::string ending = StringRight(ToLower(fileName.c_str()), 4);
    const bool png = ending == ".png";
    const bool jpeg = ending == ".jpg" || ending == "jpeg";
    std::string bytes;
    if ((!png && !jpeg) || !ReadImageFile(fileName, &bytes)) {
        return false;
    }
    const auto* data = reinterpret_cast<const HPDF_BYTE*>(bytes.data());
    const auto size = static_cast<HPDF_UINT>(bytes.size());
    HPDF_Image image = nullptr;
    if (renderer_ != nullptr) {
        renderer_->SetErrorsQuiet(true);
    }
    if (png) {
        if (StartsWithBytes(bytes, "\x89PNG\r\n\x1a\n") && IsWholePng(bytes)) {
            image = HPDF_LoadPngImageFromMem(document_, data, size);
        }
    } else if (StartsWithBytes(bytes, "\xff\xd8\xff") && IsWholeJpeg(bytes)) {
        image = HPDF_LoadJpegImageFromMem(document_, data, size);
    }
    if (renderer_ != nullptr) {
        renderer_->SetErrorsQuiet(false);
    }
    if (image == nullptr) {
        HPDF_ResetError(document_);
        return false;
    }
    image_ = image;
    return true;
}

void PDFImage::CreateFromQRCode(const QRCodeMatrix& matrix) {
    const int width = matrix.GetWidth();
    if (document_ == nullptr || width == 0) {
        return;
    }
    std::vector<HPDF_BYTE> pixels(static_cast<size_t>(width) * static_cast<size_t>(width));
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y * width + x)] = matrix.IsDark(x, y) ? 0 : 255;
        }
    }
    image_ = HPDF_LoadRawImageFromMem(document_, pixels.data(), static_cast<HPDF_UINT>(width),
                                      static_cast<HPDF_UINT>(width), HPDF_CS_DEVICE_GRAY, 8);
}
