#pragma once

#include <string>

// A picture on a sheet (the school's logo or a QR code), in whatever form its renderer draws.
class QMImage {
public:
    QMImage() = default;
    virtual ~QMImage() = default;
    QMImage(const QMImage&) = delete;
    QMImage& operator=(const QMImage&) = delete;

    // False when the file cannot be opened or decoded, or is of a kind the renderer cannot draw.
    virtual bool LoadFile(const std::string& fileName) = 0;
    // Nothing to draw: not loaded, or made from a QR symbol that could not be encoded.
    virtual bool IsEmpty() const = 0;
};
