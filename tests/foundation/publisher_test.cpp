#include "foundation/publisher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

class Publishing : public ::testing::Test {
protected:
    // A subscriber that notes each message under its name.
    Subscription Note(const std::string& name) {
        return publisher_.Subscribe(
            [this, name](const int& message) { heard_.push_back(name + std::to_string(message)); });
    }

    Publisher<int> publisher_;
    std::vector<std::string> heard_;
};

TEST_F(Publishing, EverySubscriberHearsEachMessageInTheOrderTheySubscribed) {
    const Subscription a = Note("a");
    const Subscription b = Note("b");
    publisher_.Publish(1);
    publisher_.Publish(2);
    EXPECT_EQ(heard_, (std::vector<std::string>{"a1", "b1", "a2", "b2"}));
}

TEST_F(Publishing, ASubscriptionEndsWhenItsHandleGoesIsResetOrIsMovedOver) {
    std::optional<Subscription> a = Note("a");
    Subscription b = Note("b");
    Subscription c = Note("c");
    a.reset();
    b.Reset();
    EXPECT_FALSE(b.IsActive());
    c = Note("d");  // c's first subscription ends as the new one takes its place
    Subscription moved = std::move(c);
    publisher_.Publish(1);
    EXPECT_EQ(heard_, (std::vector<std::string>{"d1"}));
    EXPECT_EQ(publisher_.SubscriberCount(), 1u);
}

TEST_F(Publishing, AHandleMayOutliveItsPublisher) {
    Subscription kept;
    {
        Publisher<int> gone;
        kept = gone.Subscribe([](const int&) {});
    }
    EXPECT_TRUE(kept.IsActive());
    kept.Reset();
    EXPECT_FALSE(kept.IsActive());
}

TEST_F(Publishing, SubscribersMayLeaveJoinAndPublishWhileTheyAreTold) {
    Subscription late;
    Subscription second;
    const Subscription first = publisher_.Subscribe([&](const int& message) {
        heard_.push_back("first" + std::to_string(message));
        if (message == 1) {
            second.Reset();          // not told this message
            late = Note("late");     // told from the next message on
            publisher_.Publish(10);  // told to everyone subscribed now, at once
        }
    });
    second = Note("second");
    publisher_.Publish(1);
    publisher_.Publish(2);
    EXPECT_EQ(heard_, (std::vector<std::string>{"first1", "first10", "late10", "first2", "late2"}));
}

}  // namespace
