// The handouts of the generated large school as one PDF and as a text export.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <memory>

#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "print/handouts.h"
#include "print/pdf_printout.h"
#include "print/print_renderer_file.h"
#include "support/generated_schedule.h"
#include "support/temp_folder.h"

namespace {

// The large school over its days, booked as the program books it, held by a controller.
QMController& LargeSchool() {
    static QMController controller;
    if (controller.GetSchedule() == nullptr) {
        std::srand(7);
        std::unique_ptr<MultiDaySchedule> schedule =
            MakeTimetable(GenerateSchool(SchoolSize::Large(), 7));
        (void)schedule->BookAll(0);  // an unlocked event: booking cannot be refused
        controller.SetEvent(std::move(schedule));
    }
    return controller;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_PdfOfEveryHandout(benchmark::State& state) {
    QMController& controller = LargeSchool();
    TempFolder folder;
    const std::string path = folder.File("handouts.pdf");
    UCStringError quiet;
    const double before = PeakMegabytes();
    size_t sheets = 0;
    for (auto _ : state) {
        PDFPrintout printout(&controller, controller.GetEvent()->GetPrintSettings());
        sheets = printout.GetSelection().teacherSheets.size() +
                 printout.GetSelection().parentSheets.size();
        if (!printout.CreatePDF(path.c_str())) {
            state.SkipWithError("the PDF was not written");
            break;
        }
    }
    state.counters["sheets"] = static_cast<double>(sheets);
    state.counters["bytes"] = static_cast<double>(folder.Read("handouts.pdf").size());
    state.counters["peak_MB_growth"] = PeakMegabytes() - before;
}
BENCHMARK(BM_PdfOfEveryHandout)->Unit(benchmark::kMillisecond);

void BM_TextExportOfEveryHandout(benchmark::State& state) {
    QMController& controller = LargeSchool();
    TempFolder folder;
    const std::string path = folder.File("handouts.txt");
    UCStringError quiet;
    for (auto _ : state) {
        PrintRendererFile renderer(path.c_str());
        PrintTeachers(*controller.GetSchedule(), &renderer);
        PrintParents(*controller.GetSchedule(), &renderer);
        if (!renderer.Close()) {
            state.SkipWithError("the text file was not written");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(folder.Read("handouts.txt").size());
}
BENCHMARK(BM_TextExportOfEveryHandout)->Unit(benchmark::kMillisecond);

}  // namespace
