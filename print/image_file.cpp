#include "print/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
// jpeglib.h needs FILE and size_t declared before it.
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

bool ReadImageFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    // Opening a FIFO without O_NONBLOCK would wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        return false;
    }
    struct stat info {};
    bool read = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                static_cast<unsigned long long>(info.st_size) <= kMaxImageFileBytes;
    if (read) {
        bytes->resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t got = ::read(descriptor, bytes->data() + done, bytes->size() - done);
            if (got <= 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        read = done == bytes->size();
    }
    ::close(descriptor);
    if (!read) {
        bytes->clear();
    }
    return read;
}

namespace {

struct PngSource {
    const std::string* bytes;
    size_t position;
};

void ReadPngBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->position + length > source->bytes->size()) {
        png_error(png, "the file ends early");
    }
    std::copy_n(source->bytes->data() + source->position, length, out);
    source->position += length;
}

void ThrowPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool warned;
};

void ThrowJpegError(j_common_ptr decoder) {
    std::longjmp(reinterpret_cast<JpegErrors*>(decoder->err)->jump, 1);
}

void NoteJpegWarning(j_common_ptr decoder, int level) {
    if (level < 0) {
        reinterpret_cast<JpegErrors*>(decoder->err)->warned = true;
    }
}

}  // namespace

// libharu's own reader aborts the program on a damaged PNG, so the whole file is decoded
// first. No C++ object may live in the frames that longjmp leaves.
bool IsWholePng(const std::string& bytes) {
    PngSource source{&bytes, 0};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ThrowPngError, IgnorePngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool whole = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, ReadPngBytes);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        whole = true;
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return whole;
}

// libharu copies a JPEG into the document without looking inside, so a damaged one would make
// a damaged PDF.
bool IsWholeJpeg(const std::string& bytes) {
    jpeg_decompress_struct decoder{};
    JpegErrors errors{};
    decoder.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = ThrowJpegError;
    errors.manager.emit_message = NoteJpegWarning;
    volatile bool whole = false;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&decoder);
        jpeg_mem_src(&decoder, reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned long>(bytes.size()));
        if (jpeg_read_header(&decoder, TRUE) == JPEG_HEADER_OK) {
            jpeg_start_decompress(&decoder);
            JSAMPARRAY row = (*decoder.mem->alloc_sarray)(
                reinterpret_cast<j_common_ptr>(&decoder), JPOOL_IMAGE,
                decoder.output_width * static_cast<JDIMENSION>(decoder.output_components), 1);
            while (decoder.output_scanline < decoder.output_height) {
                jpeg_read_scanlines(&decoder, row, 1);
            }
            jpeg_finish_decompress(&decoder);
            whole = !errors.warned;
        }
    }
    jpeg_destroy_decompress(&decoder);
    return whole;
}
