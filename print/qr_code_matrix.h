#pragma once

#include <qrencode.h>

#include <string>
#include <vector>

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

// Encodes each text into the matrix of the same index, spread over a few threads: a QR code
// costs far more than the rest of a sheet. An empty text leaves its matrix empty.
void EncodeQRCodes(const std::vector<std::string>& texts, std::vector<QRCodeMatrix>& codes);
