#pragma once

#include <benchmark/benchmark.h>
#include <wx/app.h>

#include <cstdlib>

// The window benchmarks measure real windows: wx starts once per process, and only where there is
// a display (make bench runs under Xvfb).
class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// False, with the benchmark skipped, where there is no display.
inline bool StartWindowSystem(benchmark::State& state) {
    static const bool started = [] {
        if (!std::getenv("DISPLAY")) {
            return false;
        }
        static char name[] = "quillmoot_bench";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        wxApp::SetInstance(new BenchApp);
        return wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }();
    if (!started) {
        state.SkipWithError("needs a display");
    }
    return started;
}
