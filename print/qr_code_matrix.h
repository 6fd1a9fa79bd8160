#pragma once

#include <qrencode.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
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

// Encodes texts into QR symbols on worker threads, in order and a bounded way ahead of the
// caller, who takes them one by one: a QR code costs far more than the rest of a sheet, so the
// codes of the next sheets are made while one is drawn. An empty text gives an empty symbol.
class QRCodeStream {
public:
    // With no workers each symbol is encoded when it is asked for.
    explicit QRCodeStream(const std::vector<std::string>& texts,
                          unsigned workers = DefaultWorkers());
    ~QRCodeStream();
    QRCodeStream(const QRCodeStream&) = delete;
    QRCodeStream& operator=(const QRCodeStream&) = delete;

    static unsigned DefaultWorkers();

    // The symbol of text i, waiting for it when need be. Asking for i lets the workers run on to
    // the symbols after it; the caller frees the symbol when done.
    QRCodeMatrix& Get(size_t index);

private:
    void Work();

    const std::vector<std::string>& texts_;
    std::vector<QRCodeMatrix> codes_;
    std::vector<unsigned char> ready_;
    size_t next_ = 0;     // the next text a worker takes
    size_t asked_ = 0;    // one past the last symbol asked for
    const size_t ahead_;  // how far past it the workers may go
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable moreWanted_;
    std::condition_variable oneReady_;
    std::vector<std::thread> workers_;
};
