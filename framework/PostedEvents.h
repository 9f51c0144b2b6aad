#pragma once

#include <cstdint>

#include <QEvent>
#include <QObject>

// Private notifications between windows. Each receiving view registers itself
// under its role when it is initialised; a later registration for the same
// role replaces the earlier one (the image view role is the last activated
// image view). A post to a role nobody holds is dropped, as is a post sent
// before the receiver registered. Posting is thread-safe; receivers live on
// the GUI thread and handle CPostedEvent in QObject::event() or customEvent().

inline constexpr int WM_USER = 0x0400;

// Message numbers keep their historical values; tests and logs refer to them.
enum PostedMessage : int {
    UM_REFRESH_RESULTS = WM_USER + 101,    // results view: wParam 0 still, 1 live, 2 keep the tree;
                                           // lParam 2 also rebuild the document properties
    UM_REMOVE_SHAPES = WM_USER + 103,      // image view: wParam 10 the one at lParam, else all
    UM_STILL_READY = WM_USER + 105,        // live view: a still picture is due
    UM_GRAPH_EVENT = WM_USER + 106,        // live view: capture graph event
    UM_ADJUST_FINISHED = WM_USER + 108,    // image view: area adjustment finished
    UM_REFRESH_THUMBNAILS = WM_USER + 109, // thumbnail list: a picture was saved
    UM_ADJUST_PROGRESS = WM_USER + 110,    // image view: progress in percent (wParam)
    UM_MAGNIFIER_FILLED = WM_USER + 112,   // magnifier: the magnifier buffer was refilled
    UM_RELOAD_THUMBNAILS = WM_USER + 113,  // thumbnail list: reload the folder
    UM_REPAINT = WM_USER + 115,            // image view: repaint with erase
    UM_FORMAT_CHANGED = WM_USER + 116,     // live view: capture format changed
    UM_REFRESH_PROPERTIES = WM_USER + 117, // results view: rebuild the document properties
    UM_SURFACE_CHANGED = WM_USER + 118,    // live view: frame surface rebuilt
    UM_TAKE_SNAPSHOT = WM_USER + 119,      // live view: take a snapshot
};

enum class ReceiverRole {
    ResultsView,
    ImageView,
    LiveView,
    ThumbnailList,
    Magnifier,
};

class CPostedEvent : public QEvent {
public:
    CPostedEvent(int message, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(Type())
        , m_message(message)
        , m_wParam(wParam)
        , m_lParam(lParam) {}

    static QEvent::Type Type();

    int message() const { return m_message; }
    std::intptr_t wParam() const { return m_wParam; }
    std::intptr_t lParam() const { return m_lParam; }

private:
    int m_message;
    std::intptr_t m_wParam;
    std::intptr_t m_lParam;
};

// Registers `receiver` for `role` until the registration object is destroyed
// or another receiver takes the role. Keep it as a member of the receiver so
// that it is released before the receiver's QObject part goes away.
class CReceiverRegistration {
public:
    CReceiverRegistration() = default;
    CReceiverRegistration(ReceiverRole role, QObject* receiver);
    ~CReceiverRegistration();
    CReceiverRegistration(const CReceiverRegistration&) = delete;
    CReceiverRegistration& operator=(const CReceiverRegistration&) = delete;

    // Takes (or takes again) the role, e.g. when a view is activated.
    void Register(ReceiverRole role, QObject* receiver);
    void Release();

private:
    QObject* m_receiver = nullptr;
    ReceiverRole m_role = ReceiverRole::ResultsView;
};

// The current receiver of a role, or nullptr. GUI thread only.
QObject* RegisteredReceiver(ReceiverRole role);

// Queues the message for the role's receiver; returns false when dropped.
bool PostToReceiver(ReceiverRole role, int message, std::intptr_t wParam = 0,
                    std::intptr_t lParam = 0);

// Delivers the message at once (GUI thread only); returns false when dropped.
bool SendToReceiver(ReceiverRole role, int message, std::intptr_t wParam = 0,
                    std::intptr_t lParam = 0);
