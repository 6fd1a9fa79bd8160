// The pupil-by-pupil appointments editor on the generated large school: opening it on a pupil
// of the largest form, and moving to the next pupil (which saves one pupil and builds the next
// one's boxes). Each should stay well under 100 ms. Needs a display (make bench runs under
// Xvfb).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>

#include <cstdlib>
#include <memory>

#include "bench_window.h"
#include "foundation/uc_error.h"
#include "gui/people/appt_entry_dlg.h"
#include "model/event.h"
#include "model/form.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "support/generated_schedule.h"

namespace {

struct LargeSchool {
    LargeSchool() {
        std::srand(7);
        school = std::make_unique<GeneratedSchool>(GenerateSchool(SchoolSize::Large(), 7));
        schedule = MakeTimetable(*school);
        FormList forms;
        ParentList& parents = schedule->GetEvent()->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            for (unsigned i = 0; i < parents.At(p)->GetPupilCount(); ++i) {
                forms.AddPupil(parents.At(p)->GetPupil(i));
            }
        }
        for (unsigned f = 0; f < forms.Count(); ++f) {
            if (static_cast<int>(forms.GetForm(f)->GetPupils().Count()) ==
                forms.GetLargestFormSize()) {
                first = forms.GetForm(f)->GetPupils().At(0);
                break;
            }
        }
    }
    std::unique_ptr<GeneratedSchool> school;
    std::unique_ptr<MultiDaySchedule> schedule;
    Pupil* first = nullptr;
};

LargeSchool& School() {
    static LargeSchool school;
    return school;
}

void BM_OpenPupilAppointments(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    UCStringError quiet;
    LargeSchool& school = School();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    for (auto _ : state) {
        auto* dialog = new ApptEntryDlg(frame, school.schedule.get(), school.first);
        benchmark::DoNotOptimize(dialog->GetBoxes().size());
        state.PauseTiming();
        state.counters["boxes"] = static_cast<double>(dialog->GetBoxes().size());
        dialog->Destroy();
        wxTheApp->ProcessPendingEvents();
        state.ResumeTiming();
    }
    frame->Destroy();
}
BENCHMARK(BM_OpenPupilAppointments)->Unit(benchmark::kMillisecond);

void BM_NextPupil(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    UCStringError quiet;
    LargeSchool& school = School();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    auto* dialog = new ApptEntryDlg(frame, school.schedule.get(), school.first);
    for (auto _ : state) {
        wxCommandEvent next(wxEVT_BUTTON, WxId(ApptEntryDlg::Id::NextPupil));
        dialog->ProcessWindowEvent(next);
        benchmark::DoNotOptimize(dialog->GetBoxes().size());
    }
    dialog->Destroy();
    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
}
BENCHMARK(BM_NextPupil)->Unit(benchmark::kMillisecond);

}  // namespace
