// The main window on the generated large school: start-up to the first painted window, and the
// refresh that follows every command. Needs a display (make bench runs under Xvfb).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/qm_controller.h"
#include "bench_sizes.h"
#include "bench_window.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/dlg_error.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_pane.h"
#include "gui/main/quillmoot_frame.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

namespace {

// Nothing may wait for a click during a measurement.
class NoPrompts : public PromptService {
public:
    int ShowMessage(wxWindow*, const wxString& message, const wxString&, long) override {
        std::fprintf(stderr, "%s\n", message.utf8_str().data());
        return wxID_NO;
    }
    bool ChooseFile(wxWindow*, const FileRequest&, FileChoice*) override { return false; }
};

// Chooses one file at every file dialog, and answers No to every question.
class ChooseFilePrompts : public NoPrompts {
public:
    explicit ChooseFilePrompts(std::string path) : path_(std::move(path)) {}
    bool ChooseFile(wxWindow*, const FileRequest&, FileChoice* choice) override {
        choice->path = wxString::FromUTF8(path_);
        return true;
    }

private:
    std::string path_;
};

// Answers Yes to every question.
class YesPrompts : public PromptService {
public:
    int ShowMessage(wxWindow*, const wxString&, const wxString&, long) override { return wxID_YES; }
    bool ChooseFile(wxWindow*, const FileRequest&, FileChoice*) override { return false; }
};

// A folder for the run's files, removed at exit.
struct BenchFolder {
    std::string path;
    BenchFolder() {
        char pattern[] = "/tmp/qm-bench-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// The large school's event file (or a scale of it), written once into a folder of its own.
const std::string& SchoolFile(int scale) {
    static const BenchFolder folder;
    static std::map<int, std::string> paths;
    auto found = paths.find(scale);
    if (found != paths.end()) {
        return found->second;
    }
    const std::string& root = folder.path;
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    std::unique_ptr<MultiDaySchedule> schedule = MakeBookedTimetable(SizeAt(scale), 7);
    UCStringError quiet;
    const std::string file = root + "/school" + std::to_string(scale) + ".qmv";
    // Saved as the program saves, so that opening it finds it whole and says nothing.
    QMController controller;
    controller.SetEvent(std::move(schedule));
    if (!controller.SaveEvent(file.c_str())) {
        std::fprintf(stderr, "The school's file was not saved: %s\n", quiet.GetText().c_str());
    }
    controller.CloseEvent();
    return paths.emplace(scale, file).first->second;
}

const std::string& LargeSchoolFile() {
    return SchoolFile(1);
}

void Settle() {
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    loop.YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessIdle();
}

void BM_StartUpToFirstPaintWithLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    const wxString path = wxString::FromUTF8(LargeSchoolFile());
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    for (auto _ : state) {
        auto* frame = new QuillmootFrame("Quillmoot Organiser", path);
        frame->Show();
        frame->Update();
        state.PauseTiming();
        if (!frame->GetController().GetSchedule()) {
            state.SkipWithError("the event did not load");
        }
        frame->Destroy();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstPaintWithLargeSchool)->Unit(benchmark::kMillisecond)->Iterations(5);

// Milliseconds from starting the start-up probe to its word that the window is painted; a
// negative number when it ended without saying so.
double TimeProbe(const std::vector<std::string>& arguments) {
    const std::string probe =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "startup_probe";
    std::vector<char*> argv{const_cast<char*>(probe.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int output[2];
    if (pipe(output) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const auto begin = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string said;
    char buffer[64];
    ssize_t count = 0;
    // A probe that waits for a click (a message about the file) would wait for ever.
    pollfd readable{output[0], POLLIN, 0};
    while (spawned == 0 && said.find("painted") == std::string::npos &&
           poll(&readable, 1, 60000) > 0 && (count = read(output[0], buffer, sizeof buffer)) > 0) {
        said.append(buffer, static_cast<size_t>(count));
    }
    const auto end = std::chrono::steady_clock::now();
    close(output[0]);
    if (spawned != 0) {
        return -1;
    }
    if (said.find("painted") == std::string::npos) {
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (said.find("painted") == std::string::npos) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - begin).count();
}

// Whole processes, as a user meets them: the program on the large school's file beside a bare
// frame with the same bars and panes, five of each taken in turn (and the stress school's file,
// when its slow runs are wanted).
void BM_StartUpAsProcesses(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display");
        return;
    }
    const std::string large = LargeSchoolFile();
    const std::string stress = StressRunsWanted() ? SchoolFile(10) : std::string();
    std::vector<double> bare;
    std::vector<double> program;
    std::vector<double> program10;
    for (auto _ : state) {
        for (int run = 0; run < 5; ++run) {
            bare.push_back(TimeProbe({"bare"}));
            program.push_back(TimeProbe({"program", large}));
            if (!stress.empty()) {
                program10.push_back(TimeProbe({"program", stress}));
            }
        }
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    if (std::find_if(bare.begin(), bare.end(), [](double ms) { return ms < 0; }) != bare.end() ||
        std::find_if(program.begin(), program.end(), [](double ms) { return ms < 0; }) !=
            program.end()) {
        state.SkipWithError("a probe ended without painting");
        return;
    }
    state.counters["bare_ms"] = median(bare);
    state.counters["large_ms"] = median(program);
    state.counters["large_to_bare"] = median(program) / median(bare);
    if (!program10.empty()) {
        state.counters["stress_ms"] = median(program10);
    }
}
BENCHMARK(BM_StartUpAsProcesses)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RefreshViewsWithLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    auto* frame = new QuillmootFrame("Quillmoot Organiser", wxString::FromUTF8(LargeSchoolFile()));
    frame->Show();
    Settle();
    for (auto _ : state) {
        frame->RefreshViews();
    }
    frame->Destroy();
    Settle();
}
BENCHMARK(BM_RefreshViewsWithLargeSchool)->Unit(benchmark::kMillisecond);

// What one command costs the window, with everything the window does after it: Lock Schedule,
// then Remove Lock (its question answered Yes), on the large school and on ten times it.
void BM_LockAndUnlockCommands(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    YesPrompts prompts;
    ScopedPromptService answering(&prompts);
    // Remove Lock names the talk places it gives up in a box: OK'd at once.
    struct AnswerOK : wxModalDialogHook {
        AnswerOK() { Register(); }
        int Enter(wxDialog*) override { return wxID_OK; }
        void Exit(wxDialog*) override {}
    } answering_boxes;
    const int scale = static_cast<int>(state.range(0));
    auto* frame =
        new QuillmootFrame("Quillmoot Organiser", wxString::FromUTF8(SchoolFile(scale)));
    frame->Show();
    Settle();
    std::vector<double> ms;
    for (auto _ : state) {
        ms.push_back(TimeOf([&] { frame->RunCommand(CommandId::LockSchedule); }));
        ms.push_back(TimeOf([&] { frame->RunCommand(CommandId::RemoveLock); }));
    }
    std::sort(ms.begin(), ms.end());
    state.counters["command_ms"] = ms.empty() ? 0.0 : ms[ms.size() / 2];
    frame->Destroy();
    Settle();
}
BENCHMARK(BM_LockAndUnlockCommands)->Apply(AtBothScales)->Unit(benchmark::kMillisecond)->Iterations(5);

// Plays the dialogs a command opens: step gets each one and gives what ShowModal answers.
class PlayDialogs : public wxModalDialogHook {
public:
    explicit PlayDialogs(std::function<int(wxDialog*)> step) : step_(std::move(step)) {
        Register();
    }

protected:
    int Enter(wxDialog* dialog) override { return step_(dialog); }
    void Exit(wxDialog*) override {}

private:
    std::function<int(wxDialog*)> step_;
};

// A user's change every 25 ms, each as a command makes it: a teacher renamed.
class Edits : public wxEvtHandler {
public:
    explicit Edits(QuillmootFrame& frame) : frame_(frame), timer_(this) {
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            const QMController::ChangeScope change(frame_.GetController());
            frame_.GetController().GetEvent()->GetTeachers().Get(0)->SetName(
                "Edit " + std::to_string(++count_));
        });
        timer_.Start(25);
    }

private:
    QuillmootFrame& frame_;
    wxTimer timer_;
    int count_ = 0;
};

// The minute's autosave copy of a changed event while a command runs, on the large school and
// on ten times it: an editor open (range 1 = 0), the optimiser's window (1), edits arriving
// every 25 ms (2), or a scripted report that moves two teachers for 10 s, ticked 3 s in (3).
// From the tick to the copy on disk, the longest pass of the window's loop meanwhile (a pass:
// the optimiser's idle step, if any, and one event of the loop; none while a script holds the
// window), and the tick's own time on the window's thread.
void BM_AutosaveWhileCommandsRun(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    const int scale = static_cast<int>(state.range(0));
    const int scenario = static_cast<int>(state.range(1));
    const std::string& file = SchoolFile(scale);
    const std::string copy = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quillmoot/autosave.qmv";
    // Another measure's copy would be recovered instead of the school.
    std::filesystem::remove(copy);
    auto* frame = new QuillmootFrame("Quillmoot Organiser", wxString::FromUTF8(file));
    frame->Show();
    Settle();
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    Teacher* renamed = frame->GetController().GetEvent()->GetTeachers().Get(1);
    double toDisk = 0;
    double longest = 0;
    double tickMs = 0;
    static int round = 0;
    // A tick, then the window's loop until the copy is on disk.
    auto measure = [&](wxDialog* dialog) {
        {
            const QMController::ChangeScope change(frame->GetController());
            renamed->SetName("Round " + std::to_string(++round));
        }
        std::filesystem::remove(copy);
        const auto begin = std::chrono::steady_clock::now();
        tickMs = std::max(tickMs, TimeOf([&] { frame->GetAutosaveTimer().Notify(); }));
        while (frame->GetController().GetAutosave().IsUnderWay() &&
               std::chrono::steady_clock::now() - begin < std::chrono::seconds(60)) {
            longest = std::max(longest, TimeOf([&] {
                                  if (dialog != nullptr) {
                                      wxIdleEvent idle;
                                      dialog->ProcessWindowEvent(idle);
                                  }
                                  loop.DispatchTimeout(1);
                              }));
        }
        toDisk = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                           begin)
                     .count();
        if (!std::filesystem::exists(copy)) {
            state.SkipWithError("the copy was not written");
        }
        return wxID_CANCEL;
    };
    // The script's report is read and closed.
    PlayDialogs play([&](wxDialog* dialog) {
        return scenario == 3 ? wxID_OK : measure(scenario == 1 ? dialog : nullptr);
    });
    const std::string script = std::filesystem::path(copy).parent_path().string() + "/moves.lua";
    if (scenario == 3) {
        std::FILE* out = std::fopen(script.c_str(), "w");
        std::fputs("function main()\n"
                   "  local teachers = qm_teachers()\n"
                   "  local first, last = teachers[1], teachers[#teachers]\n"
                   "  local step, stop = 0, os.clock() + 10\n"
                   "  while os.clock() < stop do\n"
                   "    step = step + 1\n"
                   "    qm_setfield(first, 'location', 'Step ' .. step)\n"
                   "    qm_setfield(last, 'location', 'Step ' .. step)\n"
                   "  end\n"
                   "end\n",
                   out);
        std::fclose(out);
    }
    // Ticked through the Stop window's pulses; from the tick to the copy's own time on disk.
    auto aroundAScript = [&] {
        std::filesystem::remove(copy);
        std::filesystem::file_time_type ticked{};
        wxTimer tick;
        tick.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            ticked = std::filesystem::file_time_type::clock::now();
            tickMs = std::max(tickMs, TimeOf([&] { frame->GetAutosaveTimer().Notify(); }));
        });
        tick.StartOnce(3000);
        {
            ChooseFilePrompts chooser(script);
            ScopedPromptService choose(&chooser);
            frame->RunCommand(CommandId::RunScriptedReport);
        }
        const auto begin = std::chrono::steady_clock::now();
        while (frame->GetController().GetAutosave().IsUnderWay() &&
               std::chrono::steady_clock::now() - begin < std::chrono::seconds(60)) {
            loop.DispatchTimeout(1);
        }
        if (!std::filesystem::exists(copy)) {
            state.SkipWithError("the copy was not written");
            return;
        }
        toDisk = std::chrono::duration<double, std::milli>(
                     std::filesystem::last_write_time(copy) - ticked)
                     .count();
    };
    for (auto _ : state) {
        longest = 0;
        if (scenario == 0) {
            frame->RunCommand(CommandId::EditEventDetails);
        } else if (scenario == 1) {
            frame->RunCommand(CommandId::Optimise);
        } else if (scenario == 3) {
            aroundAScript();
        } else {
            Edits edits(*frame);
            measure(nullptr);
        }
    }
    state.counters["tick_to_disk_ms"] = toDisk;
    state.counters["longest_pass_ms"] = longest;
    state.counters["tick_ms"] = tickMs;
    frame->Destroy();
    Settle();
    std::filesystem::remove(copy);
}
BENCHMARK(BM_AutosaveWhileCommandsRun)
    ->ArgNames({"scale", "while"})
    ->ArgsProduct({{1, 10}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The large school opened by a controller, with the two views in a hidden frame.
struct LargeViews {
    LargeViews() : frame(new wxFrame(nullptr, wxID_ANY, "views")) {
        controller.Initialise();
        loaded = controller.OpenEventFile(LargeSchoolFile().c_str());
        overview = new OverviewPane(frame, &controller);
        overview->SetSchedule(controller.GetSchedule());
        tree = new EventTreeCtrl(frame, controller.GetEvent(), false);
    }
    ~LargeViews() {
        frame->Destroy();
        Settle();
    }

    QMController controller;
    wxFrame* frame;
    bool loaded = false;
    OverviewPane* overview;
    EventTreeCtrl* tree;
};

// One screen of a 1920x1080 window: the rows it exposes, the headings and the time axes.
void BM_PaintOneScreenOfTheOverviewWithLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    LargeViews views;
    wxBitmap screen(1920, 1080);
    wxMemoryDC dc(screen);
    const wxRegion exposed(0, 0, 1920, 1080);
    for (auto _ : state) {
        views.overview->Render(dc, exposed);
    }
}
BENCHMARK(BM_PaintOneScreenOfTheOverviewWithLargeSchool)->Unit(benchmark::kMillisecond);

void BM_RebuildTheEventTreeWithLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    LargeViews views;
    for (auto _ : state) {
        views.tree->RebuildTree();
    }
}
BENCHMARK(BM_RebuildTheEventTreeWithLargeSchool)->Unit(benchmark::kMillisecond);

// A hit test and the tip text of the cell under the mouse, over every teacher row in turn.
void BM_HitTestAndTipWithLargeSchool(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    NoPrompts prompts;
    ScopedPromptService quiet(&prompts);
    LargeViews views;
    wxBitmap screen(1920, 1080);
    {
        wxMemoryDC dc(screen);
        views.overview->Render(dc, wxRegion(0, 0, 1920, 1080));
    }
    const OverviewGeometry geometry = views.overview->GetGeometry();
    const MultiDaySchedule& schedule = *views.controller.GetSchedule();
    const TeacherList& teachers = schedule.GetEvent()->GetTeachers();
    int row = 0;
    size_t tips = 0;
    for (auto _ : state) {
        const int x = geometry.cellSize * (2 + row % 40);
        const int y = geometry.teacherRowsTop + row * geometry.cellSize + 1;
        const OverviewHit hit = HitTestOverview(&schedule, geometry, x, y);
        int teacherRow = -1;
        const Appointment* booking = AppointmentAtHit(schedule, hit, &teacherRow);
        if (booking != nullptr && booking->GetRequest() != nullptr) {
            tips += CellTipText(*teachers.Get(teacherRow), *booking->GetRequest(),
                                hit.day->SlotToTime(hit.slot))
                        .size();
        }
        row = (row + 1) % static_cast<int>(teachers.Count());
    }
    benchmark::DoNotOptimize(tips);
}
BENCHMARK(BM_HitTestAndTipWithLargeSchool)->Unit(benchmark::kMicrosecond);

// Closes each modal dialog as soon as its loop runs: a window's own with EndModal, a message
// box (GTK runs it itself) with GTK's answer to its OK.
class CloseEachDialog : public wxModalDialogHook {
public:
    CloseEachDialog() { Register(); }
    ~CloseEachDialog() override { Unregister(); }

protected:
    int Enter(wxDialog* dialog) override {
        dialog->CallAfter([dialog] {
            if (dynamic_cast<wxMessageDialog*>(dialog) == nullptr) {
                dialog->EndModal(wxID_CANCEL);
                return;
            }
            using Respond = void (*)(void*, int);
            static const auto respond =
                reinterpret_cast<Respond>(dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
            constexpr int kGtkResponseOk = -5;
            respond(dialog->GetHandle(), kGtkResponseOk);
        });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

// A run's one message naming every line of a long list (two lines a pupil listed again), from
// the report to its windows closed as soon as they are up.
void BM_ShowARunMessageOfManyLines(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    WxPromptService real;
    const ScopedPromptService prompts(&real);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Quillmoot Organiser");
    frame->Show();
    {
        const CloseEachDialog close;
        DlgError sink(frame);
        const int pupils = static_cast<int>(state.range(0));
        for (auto _ : state) {
            for (int i = 0; i < pupils; ++i) {
                const std::string pupil = "Pupil 'Kim Smith " + std::to_string(i) + "'";
                sink.AddDetail(pupil + " of 'Mr and Mrs Smith' is already in the event");
                sink.AddDetail(pupil + " failed to import");
            }
            sink.Report(SeverityError, "0 of " + std::to_string(pupils) + " pupils imported; " +
                                           std::to_string(pupils) + " failed to import");
        }
        state.counters["lines"] = 2 * pupils + 2;
    }
    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
}
BENCHMARK(BM_ShowARunMessageOfManyLines)
    ->Arg(50)
    ->Arg(600)
    ->Arg(1200)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
