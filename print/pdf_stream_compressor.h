#pragma once

#include <hpdf.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

// Compresses a PDF document's finished streams (page contents, images) on worker threads while
// later pages are drawn, so that saving the document only writes them out. A stream handed
// over leaves the document at once and comes back compressed; only this thread ever touches
// the document, the workers only bytes. The same document always gives the same file, however
// the work was shared out.
class PdfStreamCompressor {
public:
    // zlib's level: nearly the default level's size at a fraction of its time.
    static constexpr int kLevel = 1;
    // Streams waiting beyond this are compressed by the drawing thread itself, so that a slow
    // worker never lets the uncompressed pages pile up in memory.
    static constexpr size_t kMaxWaiting = 64;

    // With no workers every stream is compressed as it is handed over.
    explicit PdfStreamCompressor(HPDF_Doc document, unsigned workers = DefaultWorkers());
    // Stops the workers; streams not yet put back are lost with the document being freed.
    ~PdfStreamCompressor();
    PdfStreamCompressor(const PdfStreamCompressor&) = delete;
    PdfStreamCompressor& operator=(const PdfStreamCompressor&) = delete;

    static unsigned DefaultWorkers();

    // Takes a finished stream to compress. Streams the library would not compress itself, that
    // carry parameters of their own or that were handed over before stay as they are.
    void Submit(HPDF_Dict dictionary);
    // Puts back the streams the workers have finished.
    void Collect();
    // Waits for every stream handed over and puts it back; call before saving.
    void Finish();

    size_t GetSubmittedCount() const { return submitted_.size(); }

private:
    struct Job {
        HPDF_Dict dictionary = nullptr;
        std::vector<HPDF_BYTE> bytes;  // raw, then compressed
        bool compressed = false;
    };

    void Work();
    static void Compress(Job& job);
    void PutBack(Job& job);

    HPDF_Doc document_;
    std::unordered_set<HPDF_Dict> submitted_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::unique_ptr<Job>> waiting_;
    std::vector<std::unique_ptr<Job>> finished_;
    size_t busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
