#include "capture/VirtualFaults.h"

#include "capture/CaptureBackend.h"

#include <charconv>
#include <cstdlib>

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::uint64_t> Count(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Removes every segment with the marker `code` before the scan; the scan
// data itself is never searched, since its bytes can look like markers.
void DropSegments(std::vector<std::uint8_t>& jpeg, std::uint8_t code) {
    std::size_t at = 2; // after the start marker
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const std::size_t length = (static_cast<std::size_t>(jpeg[at + 2]) << 8) | jpeg[at + 3];
        const std::size_t end = at + 2 + length;
        if (end > jpeg.size()) {
            return;
        }
        if (jpeg[at + 1] == code) {
            jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(at),
                       jpeg.begin() + static_cast<std::ptrdiff_t>(end));
        } else {
            at = end;
        }
    }
}

} // namespace

CVirtualFaults ParseVirtualFaults(std::string_view text) {
    CVirtualFaults faults;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view word = Trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (word.empty()) {
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const std::optional<std::uint64_t> count =
            equals == std::string_view::npos ? std::nullopt : Count(word.substr(equals + 1));
        const bool plain = equals == std::string_view::npos;
        if (plain && name == "busy") {
            faults.busy = true;
        } else if (plain && name == "bandwidth") {
            faults.bandwidth = true;
        } else if (plain && name == "no-eoi") {
            faults.noEoi = true;
        } else if (plain && name == "no-dht") {
            faults.noDht = true;
        } else if (count && name == "stall-after") {
            faults.stallAfter = count;
        } else if (count && name == "garbage-first") {
            faults.garbageFirst = count;
        } else if (count && name == "unplug-after") {
            faults.unplugAfter = count;
        } else {
            faults.unknown.emplace_back(word);
        }
    }
    return faults;
}

CVirtualFaults VirtualFaultsFromEnvironment() {
    const char* text = std::getenv("MARNELO_VIRTUAL_FAULTS");
    return ParseVirtualFaults(text != nullptr ? text : "");
}

void SpoilWireFrame(const CVirtualFaults& faults, std::uint32_t fourcc, std::uint64_t index,
                    std::vector<std::uint8_t>& wire) {
    if (faults.garbageFirst && index < *faults.garbageFirst) {
        // A frame cut short with noise in it, as a camera sends while it
        // settles: neither a whole JPEG nor a whole raw frame.
        wire.resize(wire.size() / 2);
        for (std::size_t i = 0; i < wire.size(); i += 7) {
            wire[i] = static_cast<std::uint8_t>(i * 31 + index);
        }
        return;
    }
    if (fourcc != Fourcc::kMJPG) {
        return;
    }
    if (faults.noDht) {
        DropSegments(wire, 0xC4);
    }
    if (faults.noEoi && wire.size() >= 2 && wire[wire.size() - 2] == 0xFF &&
        wire[wire.size() - 1] == 0xD9) {
        wire.resize(wire.size() - 2);
    }
}
