#pragma once

#include "image/PictureScale.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// Writes a picture too large for memory as a tiled BigTIFF (Deflate, RGB)
// band by band: only one band of tiles is held at a time. The file is written
// aside and renamed into place by Close, so a writer destroyed without Close
// (or after a failure) leaves nothing behind.
class CTiffBandWriter {
public:
    CTiffBandWriter();
    ~CTiffBandWriter();
    CTiffBandWriter(const CTiffBandWriter&) = delete;
    CTiffBandWriter& operator=(const CTiffBandWriter&) = delete;

    bool Open(const std::filesystem::path& path, int width, int height,
              std::optional<CPictureScale> scale);
    // `rowCount` rows of width pixels of blue, green, red, top-down, `stride`
    // bytes apart, continuing where the last call stopped.
    bool WriteRows(const std::uint8_t* bgrRows, int rowCount, std::size_t stride);
    // Needs every row written; renames the file into place.
    bool Close();
    const std::string& LastError() const { return m_error; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_error;
};
