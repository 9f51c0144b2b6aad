#include "capture/events/PowerResumeMonitor.h"
#include "capture/events/VideoDeviceMonitor.h"

#include <deque>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>

namespace {

// Events written by the test; a byte on a socket pair wakes the notifier.
class CFakeEventSource : public IDeviceEventSource {
public:
    CFakeEventSource() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, m_pair); }
    ~CFakeEventSource() override {
        ::close(m_pair[0]);
        ::close(m_pair[1]);
    }
    int Fd() const override { return m_pair[0]; }
    std::vector<DeviceEvent> ReadEvents() override {
        char drain[64];
        while (::read(m_pair[0], drain, sizeof drain) > 0) {
        }
        std::vector<DeviceEvent> events(m_events.begin(), m_events.end());
        m_events.clear();
        return events;
    }
    void Emit(const std::string& action, const std::string& node) {
        m_events.push_back({action, node});
        const char wake = 1;
        ASSERT_EQ(::write(m_pair[1], &wake, 1), 1);
    }

private:
    int m_pair[2]{-1, -1};
    std::deque<DeviceEvent> m_events;
};

} // namespace

TEST(VideoDeviceMonitor, ABurstOfPlugEventsGivesOneRefreshAfterItSettles) {
    auto owned = std::make_unique<CFakeEventSource>();
    CFakeEventSource* source = owned.get();
    CVideoDeviceMonitor monitor(std::move(owned), 100);
    ASSERT_TRUE(monitor.IsActive());
    QSignalSpy changed(&monitor, &CVideoDeviceMonitor::devicesChanged);

    // A replug: the old nodes go, the new ones come, drivers bind.
    source->Emit("remove", "/dev/video0");
    source->Emit("remove", "/dev/video1");
    QTest::qWait(30);
    source->Emit("add", "/dev/video2");
    source->Emit("bind", "");
    QTest::qWait(30);
    source->Emit("add", "/dev/video3");
    source->Emit("change", "/dev/video2");
    QTest::qWait(60);
    EXPECT_EQ(changed.count(), 0); // still settling
    EXPECT_TRUE(changed.wait(1000));
    QTest::qWait(150);
    EXPECT_EQ(changed.count(), 1);

    // Binding alone is no change of the cameras.
    source->Emit("bind", "");
    source->Emit("unbind", "");
    QTest::qWait(200);
    EXPECT_EQ(changed.count(), 1);

    source->Emit("remove", "/dev/video2");
    EXPECT_TRUE(changed.wait(1000));
    EXPECT_EQ(changed.count(), 2);
}

TEST(VideoDeviceMonitor, WithoutASourceStaysSilent) {
    CVideoDeviceMonitor monitor(nullptr, 10);
    EXPECT_FALSE(monitor.IsActive());
}

TEST(PowerResumeMonitor, OnlyWakingUpAsksForTheCamera) {
    CPowerResumeMonitor monitor; // without a system bus it is simply inactive
    QSignalSpy resumed(&monitor, &CPowerResumeMonitor::resumed);
    ASSERT_TRUE(QMetaObject::invokeMethod(&monitor, "OnPrepareForSleep", Q_ARG(bool, true)));
    EXPECT_EQ(resumed.count(), 0);
    ASSERT_TRUE(QMetaObject::invokeMethod(&monitor, "OnPrepareForSleep", Q_ARG(bool, false)));
    EXPECT_EQ(resumed.count(), 1);
}
