#pragma once

#include <chrono>
#include <memory>

class wxGenericProgressDialog;
class wxWindow;

// Offers Stop while a script runs in the window's own thread: once the script has run for a
// moment a small window with a Stop button appears, and the script's stop check asks it now
// and then, which also keeps that window answering.
class ScriptStopWindow {
public:
    static constexpr std::chrono::milliseconds kShowAfter{1000};
    static constexpr std::chrono::milliseconds kAskEvery{50};

    explicit ScriptStopWindow(wxWindow* parent, std::chrono::milliseconds showAfter = kShowAfter);
    ~ScriptStopWindow();
    ScriptStopWindow(const ScriptStopWindow&) = delete;
    ScriptStopWindow& operator=(const ScriptStopWindow&) = delete;

    // For QMLuaScript::SetStopCheck: true once the user pressed Stop.
    bool ShouldStop();
    // Null until shown.
    wxGenericProgressDialog* GetWindow() const { return window_.get(); }

private:
    wxWindow* parent_;
    std::chrono::steady_clock::time_point showAt_;
    std::chrono::steady_clock::time_point lastAsked_;
    std::unique_ptr<wxGenericProgressDialog> window_;
    bool stopped_ = false;
};
