#include "print/qr_code_matrix.h"

#include <algorithm>
#include <system_error>
#include <thread>

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

void EncodeQRCodes(const std::vector<std::string>& texts, std::vector<QRCodeMatrix>& codes) {
    const size_t count = std::min(texts.size(), codes.size());
    const auto encodeEvery = [&](size_t first, size_t step) {
        for (size_t i = first; i < count; i += step) {
            if (!texts[i].empty()) {
                codes[i].Encode(texts[i].c_str());
            }
        }
    };
    const size_t workers =
        std::min<size_t>({4, std::max(1U, std::thread::hardware_concurrency()), count / 64 + 1});
    std::vector<std::thread> threads;
    for (size_t k = 1; k < workers; ++k) {
        try {
            threads.emplace_back(encodeEvery, k, workers);
        } catch (const std::system_error&) {
            // No thread to be had: this share is done here instead.
            encodeEvery(k, workers);
        }
    }
    encodeEvery(0, workers);
    for (std::thread& thread : threads) {
        thread.join();
    }
}
