#pragma once

#include <qrencode.h>

// A QR symbol of a text at error-correction level H, read module by module. Empty when nothing
// was encoded or the text does not fit a symbol.
class QRCodeMatrix {
public:
    QRCodeMatrix() = default;
    ~QRCodeMatrix() { Free(); }
    QRCodeMatrix(const QRCodeMatrix&) = delete;
    QRCodeMatrix& operator=(const QRCodeMatrix&) = delete;

    // Replaces any symbol held; false (and empty) when the text cannot be encoded.
    bool Encode(const char* text);
    // Modules per side; 0 without a symbol.
    int GetWidth() const;
    // False without a symbol or outside it.
    bool IsDark(int x, int y) const;
    void Free();

private:
    QRcode* code_ = nullptr;
};
