#include "framework/PostedEvents.h"

#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

#include <QCoreApplication>

namespace {

class Receiver : public QObject {
public:
    explicit Receiver(ReceiverRole role)
        : registration(role, this) {}

    std::vector<std::array<std::intptr_t, 3>> received;
    CReceiverRegistration registration;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == CPostedEvent::Type()) {
            auto* posted = static_cast<CPostedEvent*>(event);
            received.push_back({posted->message(), posted->wParam(), posted->lParam()});
        }
    }
};

} // namespace

TEST(PostedEvents, PostsReachTheRegisteredReceiverInOrder) {
    Receiver results(ReceiverRole::ResultsView);
    EXPECT_TRUE(PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 2));
    EXPECT_TRUE(PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES));
    EXPECT_TRUE(results.received.empty()); // queued, not delivered yet
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(results.received.size(), 2u);
    EXPECT_EQ(results.received[0], (std::array<std::intptr_t, 3>{WM_USER + 101, 0, 2}));
    EXPECT_EQ(results.received[1][0], WM_USER + 117);
}

TEST(PostedEvents, PostsToAnUnheldRoleAreDropped) {
    EXPECT_FALSE(PostToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED));
    Receiver magnifier(ReceiverRole::Magnifier);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(magnifier.received.empty()); // the early post was not kept
    EXPECT_TRUE(SendToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED));
    EXPECT_EQ(magnifier.received.size(), 1u);
}

TEST(PostedEvents, LaterRegistrationTakesTheRoleAndDestructionReleasesIt) {
    auto first = std::make_unique<Receiver>(ReceiverRole::ImageView);
    {
        Receiver second(ReceiverRole::ImageView);
        EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), &second);
        // The first view going away must not unregister the second.
        first.reset();
        EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), &second);
        PostToReceiver(ReceiverRole::ImageView, UM_REPAINT);
    }
    // Events queued for a destroyed receiver are discarded with it.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), nullptr);
    EXPECT_FALSE(PostToReceiver(ReceiverRole::ImageView, UM_REPAINT));
}

TEST(PostedEvents, WorkerThreadsMayPost) {
    Receiver view(ReceiverRole::ImageView);
    std::thread worker([] {
        for (int percent = 0; percent <= 100; percent += 10) {
            PostToReceiver(ReceiverRole::ImageView, UM_ADJUST_PROGRESS, percent);
        }
    });
    worker.join();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(view.received.size(), 11u);
    EXPECT_EQ(view.received.back()[1], 100);
}
