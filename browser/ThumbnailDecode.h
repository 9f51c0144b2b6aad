#pragma once

#include "browser/ThumbnailImage.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include <QString>

// Makes a thumbnail without decoding more of a picture than it needs. JPEG is
// decoded at libjpeg-turbo's smallest scale that keeps 60 pixels; an
// uncompressed BMP is read a few rows per thumbnail row, straight from the
// file; a run-length BMP at a few rows and columns per thumbnail pixel; other
// BMP kinds are decoded whole; a TIFF is read reduced where the file allows
// (LoadPictureReduced) and a PNG decoded whole. The content decides the decoder,
// not the name. Every byte is treated as hostile: a bad file fails with a
// text in `error`.
//
// `cancelled` is asked now and then; when it answers true the call stops and
// fails with "cancelled". Any thread.
using CancelCheck = std::function<bool()>;

bool MakeThumbnailFromFile(const QString& path, CThumbnail& out, std::string& error,
                           const CancelCheck& cancelled = {});
bool MakeThumbnailFromData(std::span<const std::uint8_t> data, CThumbnail& out, std::string& error,
                           const CancelCheck& cancelled = {});
