// The handouts of the generated large school (and of the stress school) as one PDF and as a text
// export, and ReportLab making the same PDF pages as a yardstick.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "bench_sizes.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/print_renderer.h"
#include "print/handouts.h"
#include "print/pdf_printout.h"
#include "print/print_job.h"
#include "print/print_renderer_file.h"
#include "print/print_selection.h"
#include "print/qm_image.h"
#include "print/qr_code_matrix.h"
#include "print/sheet_calendar.h"
#include "support/generated_schedule.h"
#include "support/temp_folder.h"

namespace {

// The school over its days, booked as the program books it, held by a controller.
QMController& School(int scale = 1) {
    static std::map<int, std::unique_ptr<QMController>> controllers;
    std::unique_ptr<QMController>& controller = controllers[scale];
    if (!controller) {
        controller = std::make_unique<QMController>();
        std::srand(7);
        std::unique_ptr<MultiDaySchedule> schedule =
            MakeTimetable(GenerateSchool(SizeAt(scale), 7));
        (void)schedule->BookAll(0);  // an unlocked event: booking cannot be refused
        controller->SetEvent(std::move(schedule));
    }
    return *controller;
}

// Kilobytes of a line of /proc/self/status ("VmRSS:", "VmHWM:").
double StatusKB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            return std::stod(line.substr(std::string(key).size()));
        }
    }
    return 0;
}

// How far the resident memory rose above where it stood while the work ran.
template <typename Work>
double PeakGrowthMB(Work work) {
    // Writing 5 starts the peak over from the memory held now.
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = StatusKB("VmRSS:");
    work();
    return (StatusKB("VmHWM:") - before) / 1024.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double Since(std::chrono::steady_clock::time_point begin) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

// One PDF of every handout a run, as the PDF command makes it.
void BM_PdfOfEveryHandout(benchmark::State& state) {
    QMController& controller = School(static_cast<int>(state.range(0)));
    TempFolder folder;
    const std::string path = folder.File("handouts.pdf");
    UCStringError quiet;
    size_t sheets = 0;
    double peak = 0;
    std::vector<double> runMs;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        bool written = false;
        peak = std::max(peak, PeakGrowthMB([&] {
                            PDFPrintout printout(&controller,
                                                 controller.GetEvent()->GetPrintSettings());
                            sheets = printout.GetSelection().teacherSheets.size() +
                                     printout.GetSelection().parentSheets.size();
                            written = printout.CreatePDF(path.c_str());
                        }));
        runMs.push_back(Since(begin));
        if (!written) {
            state.SkipWithError("the PDF was not written");
            break;
        }
    }
    state.counters["median_ms"] = Median(runMs);
    state.counters["sheets"] = static_cast<double>(sheets);
    state.counters["bytes"] = static_cast<double>(folder.Read("handouts.pdf").size());
    state.counters["peak_MB_growth"] = peak;
}
BENCHMARK(BM_PdfOfEveryHandout)
    ->Apply(AtBothScalesWhenWanted)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Writes what every sheet draws as the yardstick's pages file: its lines, its rules and its QR
// code as finished modules.
class PageRecorder : public PrintRenderer {
public:
    explicit PageRecorder(std::ostream& out) : out_(out) {}
    bool IsOK() override { return true; }
    void StartPage() override { out_ << "P\n"; }
    void PrintText(const std::string& text) override { Lines("T ", text); }
    void PrintBoldText(const std::string& text) override { Lines("B ", text); }
    void PrintCell(const std::string& text, CellStyle style, CellAdvance, float) override {
        out_ << "C " << static_cast<int>(style) << ' ' << text << '\n';
    }
    void PrintFooter(const std::string& text) override { out_ << "F " << text << '\n'; }
    void PrintSeparator() override { out_ << "S\n"; }
    void PrintImage(QMImage* image, int) override {
        if (image == nullptr || code_ == nullptr) {
            return;
        }
        out_ << "Q " << code_->GetWidth() << ' ';
        for (int y = 0; y < code_->GetWidth(); ++y) {
            for (int x = 0; x < code_->GetWidth(); ++x) {
                out_ << (code_->IsDark(x, y) ? '1' : '0');
            }
        }
        out_ << '\n';
    }
    void SetCode(const QRCodeMatrix* code) { code_ = code; }

private:
    void Lines(const char* kind, const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            out_ << kind << line << '\n';
        }
    }

    std::ostream& out_;
    const QRCodeMatrix* code_ = nullptr;
};

// Stands for a sheet's QR image, whose modules the recorder writes.
class CodeImage : public QMImage {
public:
    bool LoadFile(const std::string&) override { return false; }
    bool IsEmpty() const override { return false; }
};

void WritePagesFile(QMController& controller, const std::string& path) {
    const PrintSettings& settings = controller.GetEvent()->GetPrintSettings();
    PrintSelection selection(&controller, settings);
    std::ofstream out(path);
    PageRecorder recorder(out);
    CodeImage image;
    const int calendarType = controller.GetUserSettings().GetICalendarType();
    for (const std::vector<PrintSheet>* sheets :
         {&selection.teacherSheets, &selection.parentSheets}) {
        for (const PrintSheet& sheet : *sheets) {
            const Person* person = sheet.teacher != nullptr
                                       ? static_cast<const Person*>(sheet.teacher)
                                       : static_cast<const Person*>(sheet.parent);
            QRCodeMatrix code;
            code.Encode(SheetCalendarText(*sheet.day, person, calendarType).c_str());
            recorder.SetCode(&code);
            std::unique_ptr<PrintJob> job;
            if (sheet.teacher != nullptr) {
                job = std::make_unique<TeacherPrintJob>(&recorder, controller.GetSchedule(),
                                                        sheet.day, nullptr, &image, sheet.teacher,
                                                        &settings);
            } else {
                job =
                    std::make_unique<ParentPrintJob>(&recorder, controller.GetSchedule(), sheet.day,
                                                     nullptr, &image, sheet.parent, &settings);
            }
            job->Print();
        }
    }
}

// Runs the yardstick once as a process; the milliseconds it took, or -1.
double RunReportLab(const std::string& pages, const std::string& pdf) {
    const std::string command = "/usr/bin/python3 '" QM_BENCH_DIR "/pdf_anchor.py' '" + pages +
                                "' '" + pdf + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char line[64] = "";
    const bool said = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pclose(pipe);
    return said && status == 0 ? std::atof(line) : -1;
}

// The program's PDF beside ReportLab drawing the same pages from their finished lines and QR
// codes, five of each taken in turn.
void BM_PdfBesideReportLab(benchmark::State& state) {
    QMController& controller = School();
    TempFolder folder;
    const std::string pages = folder.File("pages.txt");
    WritePagesFile(controller, pages);
    if (RunReportLab(pages, folder.File("anchor.pdf")) < 0) {
        state.SkipWithError("needs /usr/bin/python3 with python3-reportlab");
        return;
    }
    UCStringError quiet;
    std::vector<double> ours;
    std::vector<double> anchor;
    for (auto _ : state) {
        for (int run = 0; run < 5; ++run) {
            const auto begin = std::chrono::steady_clock::now();
            PDFPrintout printout(&controller, controller.GetEvent()->GetPrintSettings());
            if (!printout.CreatePDF(folder.File("ours.pdf").c_str())) {
                state.SkipWithError("the PDF was not written");
                return;
            }
            ours.push_back(Since(begin));
            anchor.push_back(RunReportLab(pages, folder.File("anchor.pdf")));
        }
    }
    state.counters["ours_ms"] = Median(ours);
    state.counters["reportlab_ms"] = Median(anchor);
    state.counters["ours_to_reportlab"] = Median(ours) / Median(anchor);
    state.counters["ours_bytes"] = static_cast<double>(folder.Read("ours.pdf").size());
    state.counters["reportlab_bytes"] = static_cast<double>(folder.Read("anchor.pdf").size());
}
BENCHMARK(BM_PdfBesideReportLab)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TextExportOfEveryHandout(benchmark::State& state) {
    QMController& controller = School();
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
