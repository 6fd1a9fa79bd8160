// Composing a whole run of e-mails for the generated large school, and sending them to a
// loopback SMTP server over one connection.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "app/qm_controller.h"
#include "comms/email_job.h"
#include "comms/smtp_client_curl.h"
#include "comms/smtp_email.h"
#include "foundation/child_process.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"
#include "support/temp_folder.h"

namespace {

// The large school, booked, with an address and a web page for every family.
void LoadLargeSchool(QMController& controller) {
    std::unique_ptr<MultiDaySchedule> schedule = MakeBookedTimetable(SchoolSize::Large(), 7);
    Event& event = *schedule->GetEvent();
    event.SetUrl("https://web.example/events/1");
    EmailServerSettings server;
    server.SetFromAddress("office@school.example");
    event.SetEmailServerSettings(server);
    for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
        Parent* parent = event.GetParents().Get(i);
        parent->SetEmail("parent" + std::to_string(i) + "@home.example");
        parent->SetUrl("https://web.example/p/" + std::to_string(i));
    }
    controller.SetEvent(std::move(schedule));
}

void ComposeRun(benchmark::State& state, EmailTextKind kind) {
    UCStringError quiet;
    QMController controller;
    LoadLargeSchool(controller);
    size_t bytes = 0;
    int messages = 0;
    for (auto _ : state) {
        EmailJob job(&controller, kind);
        messages = job.GetRecipientCount();
        for (const EmailRecipient& recipient : job.GetRecipients()) {
            UCSMTPEmail email;
            job.BuildMessage(email, recipient.person, recipient.day, 1);
            bytes += email.ComposeContent(std::time(nullptr)).size();
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["messages"] = messages;
}

void BM_ComposeLargeSchoolInvitations(benchmark::State& state) {
    ComposeRun(state, EmailInvitation);
}
BENCHMARK(BM_ComposeLargeSchoolInvitations)->Unit(benchmark::kMillisecond);

void BM_ComposeLargeSchoolResults(benchmark::State& state) {
    ComposeRun(state, EmailResults);
}
BENCHMARK(BM_ComposeLargeSchoolResults)->Unit(benchmark::kMillisecond);

// 1,500 invitations to Debian's aiosmtpd on loopback over one reused connection.
void BM_SendToLoopbackServer(benchmark::State& state) {
    TempFolder folder("qm-bench-smtp");
    ::mkdir(folder.File("mail").c_str(), 0700);
    ChildProcess server({QM_PYTHON, std::string(QM_SOURCE_DIR) + "/tests/support/smtp_server.py",
                         "--folder", folder.File("mail")},
                        folder.File("server.log"));
    int port = 0;
    if (server.Start()) {
        for (int i = 0; i < 200 && port == 0; ++i) {
            const std::string log = ReadWholeFile(folder.File("server.log"));
            const size_t ready = log.find("READY ");
            if (ready != std::string::npos && log.find('\n', ready) != std::string::npos) {
                port = std::atoi(log.c_str() + ready + 6);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    if (port == 0) {
        state.SkipWithError("the loopback SMTP server did not start");
        return;
    }
    EmailServerSettings settings;
    settings.SetServer("127.0.0.1");
    settings.SetPort(port);
    constexpr int kMessages = 1500;
    for (auto _ : state) {
        SMTPClientCurl client;
        client.Connect(settings);
        for (int i = 0; i < kMessages; ++i) {
            UCSMTPEmail email;
            email.from.address = "office@school.example";
            email.AddTo(("parent" + std::to_string(i) + "@home.example").c_str());
            email.subject = "Invitation to Spring evening";
            email.text = "Dear parent,\n\nYou are invited.\n";
            client.Send(email);
        }
    }
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(kMessages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    server.Stop(1000);
}
BENCHMARK(BM_SendToLoopbackServer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
