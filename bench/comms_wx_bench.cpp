// The e-mail progress window against a slow server: Debian's aiosmtpd on loopback answering each
// command 200 ms late. What counts is the window's longest tick (one timer step of the run), which
// bounds how long a repaint or a press of Stop can wait. The run is short by default; set
// QM_EMAIL_TICK_MESSAGES=1500 for the whole large school's invitations (about twenty minutes).
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/qm_controller.h"
#include "app/smtp_client.h"
#include "bench_window.h"
#include "comms/smtp_client_curl.h"
#include "comms/wx/email_progress_dlg.h"
#include "foundation/child_process.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "support/school_generator.h"
#include "support/temp_folder.h"

namespace {

constexpr int kReplyDelayMs = 200;

int MessagesToSend() {
    const char* text = std::getenv("QM_EMAIL_TICK_MESSAGES");
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 5;
}

// The large school with its first `count` families on e-mail, invited to a loopback server.
void LoadLargeSchool(QMController& controller, int count, int port) {
    GeneratedSchool school = GenerateSchool(SchoolSize::Large(), 7);
    auto schedule = std::make_unique<MultiDaySchedule>(school.event);
    Event& event = *school.event;
    event.SetUrl("https://web.example/events/1");
    EmailServerSettings server;
    server.SetServer("127.0.0.1");
    server.SetPort(port);
    server.SetFromAddress("office@school.example");
    event.SetEmailServerSettings(server);
    for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
        Parent* parent = event.GetParents().Get(i);
        if (static_cast<int>(i) < count) {
            parent->SetEmail("parent" + std::to_string(i) + "@home.example");
        }
        parent->SetUrl("https://web.example/p/" + std::to_string(i));
    }
    controller.SetEvent(std::move(schedule));
}

int StartSlowServer(ChildProcess& server, const TempFolder& folder) {
    if (!server.Start()) {
        return 0;
    }
    for (int i = 0; i < 200; ++i) {
        const std::string log = ReadWholeFile(folder.File("server.log"));
        const size_t ready = log.find("READY ");
        if (ready != std::string::npos && log.find('\n', ready) != std::string::npos) {
            return std::atoi(log.c_str() + ready + 6);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

void BM_EmailWindowTicksAgainstASlowServer(benchmark::State& state) {
    if (!StartWindowSystem(state)) {
        return;
    }
    TempFolder folder("qm-bench-ticks");
    ::mkdir(folder.File("mail").c_str(), 0700);
    ChildProcess server({QM_PYTHON, std::string(QM_SOURCE_DIR) + "/tests/support/smtp_server.py",
                         "--folder", folder.File("mail"), "--delay", std::to_string(kReplyDelayMs)},
                        folder.File("server.log"));
    const int port = StartSlowServer(server, folder);
    if (port == 0) {
        state.SkipWithError("the loopback SMTP server did not start");
        return;
    }
    UCStringError quiet;
    QMController controller;
    controller.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
    const int messages = MessagesToSend();
    LoadLargeSchool(controller, messages, port);
    double longestMs = 0;
    long ticks = 0;
    int sent = 0;
    for (auto _ : state) {
        EmailProgressDlg dialog(nullptr, &controller, nullptr, EmailInvitation);
        dialog.Show();
        while (!dialog.IsFinished() && !dialog.IsStopped()) {
            // The timer's interval, which the server's sockets may cut short.
            if (UCSMTPClient* client = dialog.GetJob().GetClient()) {
                client->WaitForActivity(EmailProgressDlg::kStepIntervalMs);
            }
            const auto started = std::chrono::steady_clock::now();
            dialog.SendAll();
            const std::chrono::duration<double, std::milli> tick =
                std::chrono::steady_clock::now() - started;
            longestMs = std::max(longestMs, tick.count());
            ++ticks;
            wxTheApp->ProcessPendingEvents();
        }
        sent = dialog.GetJob().GetSentCount();
        dialog.Hide();
    }
    state.counters["messages"] = sent;
    state.counters["ticks"] = static_cast<double>(ticks);
    state.counters["longest_tick_ms"] = longestMs;
    server.Stop(1000);
}
BENCHMARK(BM_EmailWindowTicksAgainstASlowServer)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
