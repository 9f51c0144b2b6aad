#pragma once

#include "capture/CaptureBackend.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Turns what a camera sends into the delivered frame format: 24-bit blue,
// green, red, rows bottom-up, each row BgrStride(width) bytes. Every backend
// decodes through it (the virtual microscope's frames take the same path as a
// real camera's); the V4L2 backend adds only libv4lconvert for the rarer
// formats. MJPEG is decoded straight into the destination, packed 4:2:2 in
// cache-sized bands, the RGB formats row by row.
//
// Camera data is hostile: a short, truncated or corrupt buffer fails with a
// reason and never reads or writes out of bounds. A JPEG frame that decodes
// only with warnings (a cut-off scan, a corrupt block) is refused, since the
// last good picture beats a smeared one, until 15 such frames come in a row:
// some cameras flaw every frame, and then the picture must still move. After
// a failure the JPEG handle is made anew, so one broken frame's tables never
// spoil the next. One converter per streaming thread.
class CFrameConverter {
public:
    CFrameConverter();
    ~CFrameConverter();
    CFrameConverter(const CFrameConverter&) = delete;
    CFrameConverter& operator=(const CFrameConverter&) = delete;

    static bool Supports(std::uint32_t fourcc);

    // `bytesPerLine` is the sender's row length of raw formats (0: packed
    // rows). `bgr` holds BgrStride(width) × height bytes. A JPEG whose size is
    // not width × height fails.
    bool Decode(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width, int height,
                int bytesPerLine, std::uint8_t* bgr, std::string& error);
    // The same with packed rows into `bgr`, resized to fit.
    bool ToBgr(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width, int height,
               std::vector<std::uint8_t>& bgr, std::string& error);

private:
    bool DecodeMjpeg(std::span<const std::uint8_t> data, int width, int height, std::uint8_t* bgr,
                     std::string& error);
    void DropJpegDecoder();

    void* m_jpeg = nullptr; // TurboJPEG decompressor, made on first use
    int m_warningRun = 0;   // JPEG frames in a row refused for warnings only
};

// The packed 4:2:2 conversion on its own (YUYV, UYVY, YVYU); false for other
// codes, odd widths or a buffer shorter than `height` rows of `bytesPerLine`.
bool ConvertPacked422(std::uint32_t fourcc, const std::uint8_t* data, std::size_t size, int width,
                      int height, int bytesPerLine, std::uint8_t* bgr);
