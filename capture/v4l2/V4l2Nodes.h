#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A video device node as the system lists it, before it is opened.
struct V4l2Node {
    std::string devNode;    // /dev/videoN: changes when the camera is plugged again
    std::string byIdLink;   // /dev/v4l/by-id/…, empty when udev made none
    std::string busPath;    // the port it sits on (udev's ID_PATH), may be empty
    std::string buttonNode; // the /dev/input/eventN of its snapshot button, if any
    // What udev learnt when it set the node up (it may open what we cannot):
    // the product name and capabilities (":capture:" for a capture node),
    // empty when unknown, and whether the USB device has a serial number.
    std::string product = {};
    std::string capabilities = {};
    bool hasSerial = true;
};

// Lists the video device nodes. nullopt when the system cannot be asked at
// all; tests list scripted nodes instead.
class IV4l2NodeSource {
public:
    virtual ~IV4l2NodeSource() = default;
    virtual std::optional<std::vector<V4l2Node>> Nodes() = 0;
};

// Lists the video4linux nodes through udev, with the input device of the
// same USB device that reports the camera key.
class CUdevNodeSource : public IV4l2NodeSource {
public:
    std::optional<std::vector<V4l2Node>> Nodes() override;
};

// The stable name a camera is known by: its by-id link, else its port, else
// its node. Cameras without a serial number share their by-id link with any
// identical camera, and the link follows whichever enumerated first: those
// are known by their port when they have one, and so is a camera whose link
// `shared` with another node.
std::string StableIdOf(const V4l2Node& node, bool shared = false);

// Whether an input device's key bitmap (sysfs "capabilities/key": hex words,
// most significant first, `wordBits` wide) has `code` set.
bool KeyBitmapHas(std::string_view bitmap, int code, int wordBits = 8 * sizeof(long));
