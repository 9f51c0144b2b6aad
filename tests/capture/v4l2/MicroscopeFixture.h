#pragma once

#include "capture/v4l2/V4l2Backend.h"
#include "capture/v4l2/V4l2Device.h"
#include "tests/capture/v4l2/FakeUvcCamera.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

inline constexpr const char* kById = "/dev/v4l/by-id/usb-Lobrin_Microscope_0001-video-index0";
inline constexpr const char* kButton = "/dev/input/event7";

// A typical USB microscope: MJPG in discrete sizes, YUYV in a stepwise range
// with a continuous rate, the other packed orders, a planar format only the
// conversion library knows, a compressed format nobody here decodes, and the
// controls such a camera has (auto exposure with its inactive manual value).
class MicroscopeTest : public ::testing::Test {
protected:
    MicroscopeTest();

    // A backend over the fake with the nodes listed now (and changed later
    // through `nodes`).
    std::unique_ptr<CV4l2Backend> Backend();
    std::unique_ptr<ICaptureDevice> OpenMicroscope();

    CFakeUvcCamera fake;
    std::shared_ptr<std::vector<V4l2Node>> nodes;
};

// A JPEG of `width` × `height`: the top half red, the bottom half blue.
std::vector<std::uint8_t> TwoToneJpeg(int width, int height);
// The same JPEG as many UVC cameras send it: without Huffman tables (the
// decoder must use the standard ones), or without its end marker.
std::vector<std::uint8_t> WithoutHuffmanTables(const std::vector<std::uint8_t>& jpeg);
std::vector<std::uint8_t> WithoutEndMarker(const std::vector<std::uint8_t>& jpeg);
// The device behind an open camera of the backend.
CV4l2Device& V4l2(ICaptureDevice& device);
// A packed 4:2:2 frame in `fourcc` order of one colour per half: top half
// (y0, u0, v0), bottom half (y1, u1, v1).
std::vector<std::uint8_t> TwoTonePacked(std::uint32_t fourcc, int width, int height);
