#pragma once

#include <memory>
#include <string>
#include <vector>

// While one lives, whatever is reported is held rather than shown, so that a run over a file
// of hundreds of lines ends in one message naming every line instead of a box for each, and
// the progress dialog's Stop stays within reach.
class RunMessages {
public:
    RunMessages();
    // Says what is held, as Say does, unless it was said already.
    ~RunMessages();
    RunMessages(const RunMessages&) = delete;
    RunMessages& operator=(const RunMessages&) = delete;

    // Stops holding and says what was held as one message to the sink that was current before:
    // nothing when nothing was reported, a single report as it came; with more, the first of
    // the most severe heads the message and every other follows on lines of its own, in the
    // order they came, each with its own further lines.
    void Say();
    // As Say, the text heading the message and every held report following it; the message
    // is as severe as the most severe of them.
    void SayAfter(int severity, const std::string& text);

    // How many reports are held.
    size_t Count() const;

private:
    class Holder;
    std::unique_ptr<Holder> holder_;
};
