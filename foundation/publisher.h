#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// A subscriber's hold on a publisher: the subscription ends when the handle goes or is reset,
// so a subscriber that is destroyed is never called. It may outlive the publisher.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    void Reset() {
        if (cancel_) {
            std::exchange(cancel_, {})();
        }
    }
    bool IsActive() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

// Tells every subscriber each message, in the order they subscribed. A subscriber may subscribe
// or unsubscribe others, or publish again, while it is told: one that left is not called, one
// that joined hears the next message.
template <class Message>
class Publisher {
public:
    using Handler = std::function<void(const Message&)>;

    Publisher() : state_(std::make_shared<State>()) {}
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    [[nodiscard]] Subscription Subscribe(Handler handler) {
        const unsigned id = ++state_->lastId;
        state_->entries.push_back({id, std::make_shared<Handler>(std::move(handler))});
        return Subscription([weak = std::weak_ptr<State>(state_), id] {
            if (const std::shared_ptr<State> state = weak.lock()) {
                std::erase_if(state->entries, [id](const Entry& entry) { return entry.id == id; });
            }
        });
    }

    void Publish(const Message& message) const {
        const std::shared_ptr<State> state = state_;
        const std::vector<Entry> told = state->entries;
        for (const Entry& entry : told) {
            if (state->Holds(entry.id)) {
                (*entry.handler)(message);
            }
        }
    }

    size_t SubscriberCount() const { return state_->entries.size(); }

private:
    struct Entry {
        unsigned id;
        std::shared_ptr<Handler> handler;
    };
    struct State {
        std::vector<Entry> entries;
        unsigned lastId = 0;
        bool Holds(unsigned id) const {
            for (const Entry& entry : entries) {
                if (entry.id == id) {
                    return true;
                }
            }
            return false;
        }
    };
    std::shared_ptr<State> state_;
};
