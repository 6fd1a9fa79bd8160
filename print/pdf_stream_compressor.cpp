#include "print/pdf_stream_compressor.h"

#include <hpdf_doc.h>
#include <hpdf_objects.h>
#include <hpdf_streams.h>
#include <zlib.h>

#include <algorithm>
#include <system_error>

namespace {

// A stream put back compressed is written as it stands; the dictionary then names its filter
// itself, since the library names only the filters it applies.
HPDF_STATUS WriteFlateFilter(HPDF_Dict, HPDF_Stream out) {
    return HPDF_Stream_WriteStr(out, "/Filter /FlateDecode\012");
}

}  // namespace

unsigned PdfStreamCompressor::DefaultWorkers() {
    // One core stays with the drawing; the machine is often shared.
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    return std::min(3U, cores - 1);
}

PdfStreamCompressor::PdfStreamCompressor(HPDF_Doc document, unsigned workers)
    : document_(document) {
    for (unsigned i = 0; i < workers; ++i) {
        try {
            workers_.emplace_back(&PdfStreamCompressor::Work, this);
        } catch (const std::system_error&) {
            break;  // fewer workers, or none: the drawing thread compresses the rest
        }
    }
}

PdfStreamCompressor::~PdfStreamCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void PdfStreamCompressor::Submit(HPDF_Dict dictionary) {
    if (document_ == nullptr || dictionary == nullptr || document_->encrypt_on) {
        return;
    }
    HPDF_Stream stream = dictionary->stream;
    if (stream == nullptr || stream->type != HPDF_STREAM_MEMORY ||
        dictionary->filter != HPDF_STREAM_FILTER_FLATE_DECODE ||
        dictionary->filterParams != nullptr || dictionary->write_fn != nullptr ||
        !submitted_.insert(dictionary).second) {
        return;
    }
    auto job = std::make_unique<Job>();
    job->dictionary = dictionary;
    job->bytes.resize(HPDF_Stream_Size(stream));
    HPDF_UINT size = static_cast<HPDF_UINT>(job->bytes.size());
    if (size > 0) {
        if (HPDF_Stream_Seek(stream, 0, HPDF_SEEK_SET) != HPDF_OK ||
            HPDF_Stream_Read(stream, job->bytes.data(), &size) != HPDF_OK ||
            size != job->bytes.size()) {
            HPDF_ResetError(document_);
            submitted_.erase(dictionary);
            return;  // left where it is, for the library to compress on saving
        }
    }
    HPDF_MemStream_FreeData(stream);

    if (workers_.empty()) {
        Compress(*job);
        PutBack(*job);
        return;
    }
    bool helpHere = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        helpHere = waiting_.size() >= kMaxWaiting;
        if (!helpHere) {
            waiting_.push_back(std::move(job));
        }
    }
    if (helpHere) {
        Compress(*job);
        PutBack(*job);
    } else {
        wake_.notify_one();
    }
    Collect();
}

void PdfStreamCompressor::Collect() {
    std::vector<std::unique_ptr<Job>> ready;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready.swap(finished_);
    }
    for (auto& job : ready) {
        PutBack(*job);
    }
}

void PdfStreamCompressor::Finish() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return waiting_.empty() && busy_ == 0; });
    }
    Collect();
}

void PdfStreamCompressor::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) {
            return;
        }
        std::unique_ptr<Job> job = std::move(waiting_.front());
        waiting_.pop_front();
        ++busy_;
        lock.unlock();
        Compress(*job);
        lock.lock();
        --busy_;
        finished_.push_back(std::move(job));
        if (waiting_.empty() && busy_ == 0) {
            done_.notify_all();
        }
    }
}

void PdfStreamCompressor::Compress(Job& job) {
    std::vector<HPDF_BYTE> packed(compressBound(static_cast<uLong>(job.bytes.size())));
    uLongf length = static_cast<uLongf>(packed.size());
    if (compress2(packed.data(), &length, job.bytes.data(), static_cast<uLong>(job.bytes.size()),
                  kLevel) != Z_OK) {
        return;  // the raw bytes go back, for the library to compress on saving
    }
    packed.resize(length);
    packed.shrink_to_fit();
    job.bytes.swap(packed);
    job.compressed = true;
}

void PdfStreamCompressor::PutBack(Job& job) {
    HPDF_Dict dictionary = job.dictionary;
    if (!job.bytes.empty() &&
        HPDF_Stream_Write(dictionary->stream, job.bytes.data(),
                          static_cast<HPDF_UINT>(job.bytes.size())) != HPDF_OK) {
        return;  // the library has reported it, which ends the document
    }
    if (job.compressed) {
        dictionary->filter = HPDF_STREAM_FILTER_NONE;
        dictionary->write_fn = WriteFlateFilter;
    }
    std::vector<HPDF_BYTE>().swap(job.bytes);
}
