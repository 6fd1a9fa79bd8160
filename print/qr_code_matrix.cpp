#include "print/qr_code_matrix.h"


bool QRCodeMatrix::Encode(const char* text) {
    Free();
    if (text == nullptr) {
        return false;
    }
    code_ = QRcode_encodeString(text, 0, QR_ECLEVEL_H, QR_MODE_8, 1);
    return code_ != nullptr;
}

int QRCodeMatrix::GetWidth() const {
    return code_ != nullptr ? code_->width : 0;
}

bool QRCodeMatrix::IsDark(int x, int y) const {
    const int width = GetWidth();
    if (x < 0 || y < 0 || x >= width || y >= width) {
        return false;
    }
    return (code_->data[y * width + x] & 1) != 0;
}

void QRCodeMatrix::Free() {
    if (code_ != nullptr) {
        QRcode_free(code_);
        code_ = nullptr;
    }
}
