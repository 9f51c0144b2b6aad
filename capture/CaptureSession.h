#pragma once

#include "capture/CaptureBackend.h"
#include "capture/CaptureConfig.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The connection to the one camera of the process: which cameras there are,
// which one is bound, its capture format, and whether frames flow. Plain
// functions over one record; they run on the GUI thread (or the command
// line's main thread) and never know which backend they drive. Frames reach
// the pipeline through the frame callback, on the device's streaming thread.

inline constexpr int kMaxVideoDevices = 10;

// One slot of the device list. `displayName` is the camera's stable id, so a
// camera is found again after the list changes; `backend` stays valid while
// the backend is registered.
struct VideoDeviceEntry {
    int index = -1; // the slot's own number when it holds a camera, else -1
    std::string displayName;
    std::string friendlyName;
    bool hasStillSource = false;
    ICaptureBackend* backend = nullptr;
};

// What the streaming thread reads: written only while the camera is stopped.
struct CFrameCallbackFields {
    int width = 0;
    int height = 0;
    std::function<void(const CaptureFrame&)> onFrame;
};

// Events of the camera (its loss), raised on the streaming thread.
struct CGraphEventQueue {
    std::mutex mutex;
    std::deque<std::string> events;
};

// How the frames of the running camera fare; the streaming thread writes it.
struct CFrameHealth {
    std::mutex mutex;
    std::chrono::steady_clock::time_point lastGood; // the start until a frame comes
    int droppedInRow = 0;
    std::string lastError; // why the last dropped frame could not be shown
};

// A camera that sends nothing for this long is restarted once, then lost.
// MARNELO_CAMERA_STALL_MS changes it (slow cameras, tests).
std::chrono::milliseconds DefaultStallTimeout();
// Dropped frames in a row after which their reason is worth showing.
inline constexpr int kDroppedFramesShown = 30;
// Cameras send dark, green or torn frames while they settle after starting;
// pictures taken for keeps skip this many.
inline constexpr std::uint64_t kSettlingFrames = 5;
// A picture taken for keeps refuses a frame older than this: a stalled camera
// must not hand out its last frame as if it were live.
inline constexpr std::chrono::milliseconds kMaxStillAge{2000};

struct CaptureSession {
    std::unique_ptr<ICaptureDevice> camera; // the bound camera
    bool graph = false;                     // a camera is bound and its branches may be built
    bool streamConfig = false;              // the camera lets the format be read and chosen
    bool frameBranch = false;               // frames go to the frame callback
    bool stillBranch = false;               // the snapshot button goes to the still callback
    bool enumerator = false; // someone asked for the device list (CreateDeviceEnumerator)
    CCaptureConfigBlock captureConfig{};
    // A format the caller asked for (the command line's --size, --format),
    // taking the place of CapConfig.dat when the graph is built.
    std::optional<CaptureFormat> forcedFormat;
    int deviceCount = 0;
    std::array<VideoDeviceEntry, kMaxVideoDevices> devices;
    VideoDeviceEntry* chosen = nullptr;
    int built = 0;
    int running = 0;
    CFrameCallbackFields frameCallback;
    std::function<void(const CaptureFrame&)> stillCallback;
    // The off-screen picture the pipeline paints into, sized by the zoom.
    bool surface = false;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    double zoom = 1.0;
    CGraphEventQueue graphEvents;
    // The command line's explicit --format: never traded for another one.
    bool keepFormat = false;
    // The result of the last start, its text ready for the user: the camera's
    // name, the reason and what to do. `startNote` tells of a format taken
    // instead of the one asked for; empty when there was none.
    CaptureStatus startStatus;
    std::string startNote;
    std::chrono::milliseconds stallTimeout = DefaultStallTimeout();
    CFrameHealth health;
    bool stallRestarted = false;
    std::chrono::steady_clock::time_point restartedAt;
};

// Shared with the frame pipeline and the live view. The subtype code and the
// still-pin setting are the persisted `videoformat` and `snapshot` values.
struct CCaptureShared {
    std::uint32_t frameWidth = 640;
    std::uint32_t frameHeight = 480;
    std::int32_t stillPinAvailable = 0;
    std::int32_t chosenDeviceIndex = -1;
};

extern CaptureSession g_captureSession;
extern CCaptureShared g_captureShared;

// The backends whose cameras are listed. Hardware backends are added at start
// (the kernel's video devices); the virtual microscope is always there and is
// listed after every other camera.
struct CCaptureBackends {
    std::vector<std::unique_ptr<ICaptureBackend>> hardware;
    std::unique_ptr<ICaptureBackend> virtualMicroscope;
};

extern CCaptureBackends g_captureBackends;

// Adds a backend before the virtual microscope. GUI thread, no camera bound.
void AddCaptureBackend(std::unique_ptr<ICaptureBackend> backend);
// Replaces every hardware backend (tests); the virtual microscope stays.
void SetHardwareCaptureBackends(std::vector<std::unique_ptr<ICaptureBackend>> backends);

// The selection dialog and the command line ask for the list through this
// before EnumerateVideoDevices, which lists nothing without it.
void CreateDeviceEnumerator();

// Lists the cameras into the ten slots: hardware cameras sorted by display
// name, the first ten of them, then the virtual microscope when a slot is
// left. Returns 0 and leaves the list as it was when no backend could be
// listed (nor the virtual microscope).
int EnumerateVideoDevices();

// Whether a hardware backend lists a camera now; the virtual microscope does
// not count. Changes nothing in the session.
bool HardwareCameraPresent();

// Sets the chosen entry from the chosen device index; none when the index is
// outside 0-9 or names an empty slot.
void ChooseVideoDevice(int slot);

// Opens the chosen camera, reads its format into the frame size and subtype
// code and whether it has a still source. 1 on success; 0 after teardown,
// with the backend's reason in startStatus when the camera would not open.
int BindSelectedDevice();
// Applies the subtype code and CapConfig.dat, connects the frame callback
// and, when asked for and available, the still callback. 1 also when built.
int BuildCaptureGraph();
int BuildFrameBranch(); // 0 on success, an error code otherwise
int BuildStillBranch(); // 0 on success, an error code otherwise
// Starts streaming; 1 if marked running afterwards (also when starting
// failed, so that a second call does nothing until StopCaptureGraph). The
// outcome is kept in startStatus. When the bus lacks the bandwidth for an
// uncompressed format, MJPG at the same size is tried, then smaller sizes,
// unless keepFormat; startNote then says what was taken.
int RunCaptureGraph();
// Whether the last start succeeded (its reason is in startStatus).
bool CaptureStarted();
// Clears running, stops streaming; 1 if there is no camera or it stopped.
int StopCaptureGraph();
// Disconnects the frame and still callbacks; the camera stays bound.
void RemoveDownstream();
// Releases the camera and the surface. The flags are the callers' to clear.
void TearDownCaptureGraph();
// Stops, prunes, builds again and runs again if it ran. Returns 0.
int RebuildCaptureGraph();
// The camera-wide order of closing: stop, prune, clear built, tear down.
void CloseCaptureGraph();
int CreateFrameSurface();

// The format page, in three steps. PrepareFormatPage stops the camera, prunes
// its branches and clears built; 0 when the camera has no format control
// (there is no page to show). SetCaptureFormat applies the user's choice to
// the stopped camera. TakeOverCaptureFormat reads what the camera took into
// the subtype code, the configuration block and the frame size, rewrites
// CapConfig.dat and posts UM_FORMAT_CHANGED, whose receiver calls
// RestartAfterFormatChange.
int PrepareFormatPage();
CaptureStatus SetCaptureFormat(const CaptureFormat& format);
void TakeOverCaptureFormat();
// Builds, makes the surface and runs again; 1 when running afterwards.
int RestartAfterFormatChange();

// Sets a control of the bound camera; refused (and nothing changed) without
// a camera, for an unknown or inactive control or a value out of range.
CaptureStatus SetCaptureControl(std::uint32_t id, std::int32_t value);

// Reads CapConfig.dat of the program folder into the configuration block
// when exactly 88 bytes can be read. 1 if read, else 0.
int LoadCaptureConfig();
// Writes the configuration block whole (write aside, rename).
bool SaveCaptureConfig();

// The watchdog, asked now and then on the GUI thread while the camera runs:
// after stallTimeout without a good frame the stream is restarted once; if
// frames still do not come, the camera is lost.
enum class StallVerdict { Fine, Restarted, Lost };
StallVerdict CheckCaptureStall();
// Why the camera counts as lost, for the user.
std::string CaptureLostReason();
// The reason frames are dropped, once kDroppedFramesShown came in a row;
// empty while frames are shown.
std::string CaptureDecodeTrouble();

// One pending event of the bound camera (its loss), read by the live view on
// UM_GRAPH_EVENT. Empty when there is none. Thread-safe.
std::string ReadGraphEvent();
