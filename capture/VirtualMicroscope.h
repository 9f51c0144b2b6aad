#pragma once

#include "capture/CaptureBackend.h"

#include <memory>

// The built-in camera: always listed (last) so that the program, its tests
// and the command line can run the whole capture path without hardware. It
// streams MJPG or YUYV at 640×480, 1280×720, 1920×1080 and 2592×1944, 5 to
// 30 frames a second, has a snapshot button (the "Press the camera button"
// control) and emulated controls that change its picture.
namespace VirtualMicroscope {
inline constexpr const char* kId = "virtual:0";
inline constexpr const char* kName = "Marnelo Virtual Microscope";

// Control ids.
enum Control : std::uint32_t {
    kBrightness = 1,
    kContrast,
    kSaturation,
    kGain,
    kExposureAuto, // menu: 1 manual, 3 automatic
    kExposure,
    kWhiteBalance,
    kPowerLine, // menu: 0 off, 1 50 Hz, 2 60 Hz
    kCameraButton,
    kScene, // menu: VirtualScene
    kFocus, // absolute focus; the depth of field is a band of it
    kPan,   // stage position across the slide scene, in specimen pixels (VirtualSlideScene.h)
    kTilt,  // stage position down the slide scene, likewise
};
} // namespace VirtualMicroscope

std::unique_ptr<ICaptureBackend> MakeVirtualMicroscopeBackend();

// One frame of the virtual camera as it would come off the wire: the JPEG
// or YUYV bytes of frame `index` at `format` with the controls at default.
// For benchmarks and tests of the decoding path.
std::vector<std::uint8_t> VirtualMicroscopeWireFrame(const CaptureFormat& format,
                                                     std::uint64_t index);
