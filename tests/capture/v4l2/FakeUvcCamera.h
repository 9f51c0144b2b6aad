#pragma once

#include "capture/v4l2/V4l2Calls.h"
#include "capture/v4l2/V4l2Nodes.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <linux/videodev2.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A USB microscope as the kernel's video driver shows it, answering the
// system calls of CV4l2Calls: a capture node, a metadata node, a button's
// input node, formats, controls and a script of what each DQBUF returns.
// It answers the way the UVC driver does where apps tend to go wrong: a
// second handle is refused streaming (EBUSY), S_FMT takes the nearest size
// and that size's default rate, S_PARM snaps to an offered rate, controls
// clamp and round their values and go inactive with their auto mode, buffer
// timestamps are monotonic with gaps, and an unplug first hands back the
// queued buffers flagged ERROR. Thread-safe: the streaming thread and the
// test thread call it together.
class CFakeUvcCamera {
public:
    using Interval = std::pair<std::uint32_t, std::uint32_t>; // numerator, denominator
    struct Size {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        // The rates of this size (the first is its default); empty: the format's.
        std::vector<Interval> intervals = {};
    };
    // Discrete sizes, or one stepwise range (min, max, step) when `stepwise`.
    struct Format {
        std::uint32_t fourcc = 0;
        std::string description;
        std::vector<Size> sizes;
        bool stepwise = false;
        Size minSize, maxSize, step;
        // Discrete intervals as (numerator, denominator); `continuousRates`
        // gives one range from the first to the second instead.
        std::vector<Interval> intervals{{1, 30}, {1, 15}};
        bool continuousRates = false;
    };
    struct Control {
        std::uint32_t id = 0;
        std::uint32_t type = 0;
        std::string name;
        std::int64_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
        std::uint32_t flags = 0;
        std::int32_t value = 0;
        std::vector<std::string> menu; // index → name; empty names are gaps
        int refuseWith = 0;            // errno of S_CTRL, 0 to accept
        // Inactive unless control `activeWith` holds `activeWhen` (an auto
        // mode and the manual value it overrides); 0: always active.
        std::uint32_t activeWith = 0;
        std::int32_t activeWhen = 0;
    };
    // One answer to DQBUF: a frame (bytes and buffer flags) or an errno.
    // ENODEV is an unplug: the queued buffers come back flagged ERROR first.
    // `stall` stops the stream without a word until the next STREAMOFF.
    struct Step {
        std::vector<std::uint8_t> bytes;
        std::uint32_t flags = 0;
        int error = 0;
        std::int64_t gapUs = 0;                       // frames lost before this one
        std::optional<std::int64_t> timestampUs = {}; // the driver's stamp as it is
        bool stall = false;
    };

    CFakeUvcCamera();

    // The table that routes the calls here.
    std::shared_ptr<const CV4l2Calls> Calls();

    // Nodes: every open of another path fails with ENOENT; FailOpen makes
    // a listed one fail with `error` (EACCES without the video group).
    void AddCaptureNode(const std::string& path, const std::string& card);
    void FailOpen(const std::string& path, int error);
    void AddMetadataNode(const std::string& path);
    void AddButtonNode(const std::string& path);
    void RemoveNode(const std::string& path);

    std::vector<Format> formats;
    std::vector<Control> controls;
    bool extendedQueries = true; // false: QUERY_EXT_CTRL answers ENOTTY
    // Another program streams the camera: S_FMT, S_PARM, REQBUFS and
    // STREAMON answer EBUSY.
    bool inUseElsewhere = false;
    // The errno STREAMON fails with for a format (ENOSPC or EIO when the bus
    // lacks the bandwidth), 0 to stream.
    std::function<int(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height)>
        streamOnError;
    std::uint32_t maxBuffers = 4; // REQBUFS grants at most this many
    std::uint32_t timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_TSTAMP_SRC_SOE;

    // Appends to the DQBUF script. An ENODEV step stays: the device is gone.
    void Queue(Step step);
    void PressButton();
    // Waits until the script is used up (or the device is gone or stalled).
    bool WaitScriptDone(int timeoutMs = 5000);

    // What the code under test did.
    std::vector<std::string> OpenedPaths() const;
    int OpenFds() const;
    int MappedBuffers() const;
    int BuffersHeldByApplication() const; // dequeued and not yet given back
    std::vector<std::pair<const std::uint8_t*, std::size_t>> Mappings() const;
    int SetControlCalls() const;
    int IoctlCalls() const;
    std::uint32_t GrantedBuffers() const;

    // The current format; S_FMT changes it.
    std::uint32_t fourcc = 0;
    std::uint32_t width = 640;
    std::uint32_t height = 480;
    Interval interval{1, 30};

private:
    enum class NodeKind { Capture, Metadata, Button };
    struct Node {
        NodeKind kind;
        std::string card;
    };
    struct Buffer {
        std::vector<std::uint8_t> memory;
        bool queued = false;
        bool mapped = false;
        bool dequeued = false;
    };

    int Open(const char* path);
    int Close(int fd);
    int Ioctl(int fd, unsigned long request, void* arg);
    int Poll(pollfd* fds, nfds_t count, int timeoutMs);
    ssize_t Read(int fd, void* buffer, std::size_t bytes);
    void* Mmap(std::size_t length, int fd, off_t offset);
    int Munmap(void* address, std::size_t length);
    int VideoIoctl(int fd, const Node& node, unsigned long request, void* arg);
    int FormatIoctl(unsigned long request, void* arg);
    int SetFormat(v4l2_format& format);
    int Parameters(unsigned long request, v4l2_streamparm& parameters);
    int ControlIoctl(unsigned long request, void* arg);
    int BufferIoctl(unsigned long request, void* arg);
    int Dequeue(v4l2_buffer& buffer);
    bool VideoReady() const;
    const Format* FindFormat(std::uint32_t code) const;
    std::vector<Interval> IntervalsOf(const Format& format, std::uint32_t w, std::uint32_t h) const;
    const Control* FindControl(std::uint32_t id, bool next) const;
    std::uint32_t FlagsOf(const Control& control) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Node> m_nodes;
    std::map<std::string, int> m_openErrors;
    std::map<int, std::string> m_fds;
    int m_nextFd = 1000;
    std::vector<std::string> m_opened;
    std::vector<Buffer> m_buffers;
    std::deque<Step> m_script;
    std::deque<int> m_keyPresses;
    bool m_streaming = false;
    bool m_stalled = false;
    bool m_unplugging = false; // handing back the queued buffers
    bool m_gone = false;
    int m_owner = -1; // the handle that set the format or took buffers
    int m_setControlCalls = 0;
    int m_ioctlCalls = 0;
    std::uint32_t m_sequence = 0;
    std::int64_t m_clockUs = 0; // the driver's monotonic clock
    std::shared_ptr<CV4l2Calls> m_calls;
};

// A node source listing a scripted set of nodes.
class CFakeNodeSource : public IV4l2NodeSource {
public:
    explicit CFakeNodeSource(std::shared_ptr<std::vector<V4l2Node>> nodes)
        : m_nodes(std::move(nodes)) {}
    std::optional<std::vector<V4l2Node>> Nodes() override { return *m_nodes; }

private:
    std::shared_ptr<std::vector<V4l2Node>> m_nodes;
};
