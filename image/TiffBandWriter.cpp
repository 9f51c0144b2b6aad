#include "image/TiffBandWriter.h"

struct CTiffBandWriter::State {};

CTiffBandWriter::CTiffBandWriter() = default;
CTiffBandWriter::~CTiffBandWriter() = default;

bool CTiffBandWriter::Open(const std::filesystem::path&, int, int, std::optional<CPictureScale>) {
    m_error = "Writing large TIFF pictures is not available yet";
    return false;
}

bool CTiffBandWriter::WriteRows(const std::uint8_t*, int, std::size_t) {
    m_error = "The TIFF file is not open";
    return false;
}

bool CTiffBandWriter::Close() {
    m_error = "The TIFF file is not open";
    return false;
}
