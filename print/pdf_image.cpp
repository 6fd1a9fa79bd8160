#include "print/pdf_image.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "foundation/string_functions.h"
#include "print/print_renderer_pdf.h"
#include "print/qr_code_matrix.h"

namespace {

// The file's first bytes are those of its kind; libharu reports anything else as a document
// error, which would end the whole run for a bad logo.
bool StartsWithBytes(const std::string& fileName, const std::string& signature) {
    std::ifstream file(fileName, std::ios::binary);
    std::string head(signature.size(), '\0');
    return file.read(head.data(), static_cast<std::streamsize>(head.size())) && head == signature;
}

void ThrowPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

// Decodes the whole file once: libharu's own reader aborts the program on a damaged PNG.
bool IsWholePng(const std::string& fileName) {
    FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ThrowPngError, IgnorePngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool whole = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        whole = true;
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    std::fclose(file);
    return whole;
}

}  // namespace

bool PDFImage::LoadFile(const std::string& fileName) {
    if (document_ == nullptr) {
        return false;
    }
    const std::string ending = StringRight(ToLower(fileName.c_str()), 4);
    HPDF_Image image = nullptr;
    if (renderer_ != nullptr) {
        renderer_->SetErrorsQuiet(true);
    }
    if (ending == ".png") {
        if (StartsWithBytes(fileName, "\x89PNG\r\n\x1a\n") && IsWholePng(fileName)) {
            image = HPDF_LoadPngImageFromFile(document_, fileName.c_str());
        }
    } else if (ending == ".jpg" || ending == "jpeg") {
        if (StartsWithBytes(fileName, "\xff\xd8\xff")) {
            image = HPDF_LoadJpegImageFromFile(document_, fileName.c_str());
        }
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
