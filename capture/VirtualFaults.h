#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The ways the virtual microscope can misbehave like a real USB camera, so
// that the handling of each can be seen and tested without hardware. Chosen
// with MARNELO_VIRTUAL_FAULTS, a comma-separated list such as
// "bandwidth,stall-after=20". Frame counts run over the device's whole life,
// so restarting the stream does not cure a stall.
struct CVirtualFaults {
    bool busy = false;      // another program holds the camera
    bool bandwidth = false; // uncompressed frames above 640 × 480 do not fit the bus
    bool noEoi = false;     // MJPEG frames end without their end marker
    bool noDht = false;     // MJPEG frames rely on the standard Huffman tables
    std::optional<std::uint64_t> stallAfter;   // frames stop, the device stays open
    std::optional<std::uint64_t> garbageFirst; // the first frames are corrupt
    std::optional<std::uint64_t> unplugAfter;  // the device goes away
    std::vector<std::string> unknown;          // words that name no fault
};

CVirtualFaults ParseVirtualFaults(std::string_view text);
// MARNELO_VIRTUAL_FAULTS of the process; no faults when unset.
CVirtualFaults VirtualFaultsFromEnvironment();

// The bytes a camera with these faults sends for frame `index` of its life,
// made from the good `wire` bytes of that frame in `fourcc`.
void SpoilWireFrame(const CVirtualFaults& faults, std::uint32_t fourcc, std::uint64_t index,
                    std::vector<std::uint8_t>& wire);
