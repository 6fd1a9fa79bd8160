// The main window on the generated large school: start-up to the first painted window, and the
// refresh that follows every command. Needs a display (make bench runs under Xvfb).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/event_file_writer.h"
#include "app/qm_controller.h"
#include "bench_window.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/overview_pane.h"
#include "gui/main/quillmoot_frame.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/schedule.h"
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

// The large school's event file, written once into a folder of its own.
const std::string& LargeSchoolFile() {
    static const BenchFolder folder;
    static const std::string path = [] {
        const std::string& root = folder.path;
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        GeneratedSchool school = GenerateSchool(SchoolSize::Large(), 7);
        std::srand(7);
        std::vector<std::unique_ptr<Schedule>> days = school.MakeSchedules();
        auto schedule = std::make_unique<MultiDaySchedule>(school.event);
        *schedule->GetDay(0) = *days[0];
        for (size_t i = 1; i < days.size(); ++i) {
            schedule->AddDay(std::move(days[i]));
        }
        (void)schedule->BookAll(0);  // an unlocked event: booking cannot be refused
        UCStringError quiet;
        const std::string file = root + "/large.qmv";
        std::ofstream(file, std::ios::binary) << EventFileWriter(*schedule).FormatEventFile();
        return file;
    }();
    return path;
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

}  // namespace
