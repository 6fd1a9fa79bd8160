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

namespace {

// How far the workers may run ahead of the sheet being drawn, in symbols a worker.
constexpr size_t kAheadPerWorker = 16;

}  // namespace

unsigned QRCodeStream::DefaultWorkers() {
    // One core draws the sheets and one compresses them.
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    return std::min(6U, cores > 2 ? cores - 2 : 1U);
}

QRCodeStream::QRCodeStream(const std::vector<std::string>& texts, unsigned workers)
    : texts_(texts),
      codes_(texts.size()),
      ready_(texts.size(), 0),
      ahead_(kAheadPerWorker * std::max(1U, workers)) {
    for (unsigned i = 0; i < workers && i < texts.size(); ++i) {
        try {
            workers_.emplace_back(&QRCodeStream::Work, this);
        } catch (const std::system_error&) {
            break;  // fewer workers, or none: symbols are then made when asked for
        }
    }
}

QRCodeStream::~QRCodeStream() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    moreWanted_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

QRCodeMatrix& QRCodeStream::Get(size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (index >= texts_.size()) {
        static QRCodeMatrix none;
        return none;
    }
    asked_ = std::max(asked_, index + 1);
    moreWanted_.notify_all();
    // A symbol no worker has taken yet is made here rather than waited for.
    if (!ready_[index] && (workers_.empty() || index == next_)) {
        next_ = std::max(next_, index + 1);
        lock.unlock();
        if (!texts_[index].empty()) {
            codes_[index].Encode(texts_[index].c_str());
        }
        lock.lock();
        ready_[index] = 1;
    }
    oneReady_.wait(lock, [&] { return ready_[index] != 0; });
    return codes_[index];
}

void QRCodeStream::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        moreWanted_.wait(
            lock, [&] { return stopping_ || (next_ < texts_.size() && next_ < asked_ + ahead_); });
        if (stopping_) {
            return;
        }
        const size_t index = next_++;
        lock.unlock();
        if (!texts_[index].empty()) {
            codes_[index].Encode(texts_[index].c_str());
        }
        lock.lock();
        ready_[index] = 1;
        oneReady_.notify_all();
    }
}
