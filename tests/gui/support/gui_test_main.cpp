// The main of every window library's test binary: a wx application without an event loop of
// its own; framework assertions, GTK's warnings and criticals and unexpected modal dialogs
// turned into test failures; a time limit on each test.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/support/display_wait.h"
#include "gui/support/unexpected_dialog_hook.h"

namespace {

class GuiTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

void FailOnAssert(const wxString& file, int line, const wxString& function,
                  const wxString& condition, const wxString& message) {
    ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion in " << function.utf8_str() << ": "
                                          << condition.utf8_str() << " " << message.utf8_str();
}

// The same look and behaviour on every machine, whatever the desktop around the run.
void SetStableEnvironment() {
    setenv("GDK_BACKEND", "x11", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("GTK_THEME", "Adwaita", 1);
    setenv("LANG", "C.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
}

// Every warning or critical that GLib, GTK or GDK logs fails the test that was running (or, out
// of any test, the whole run); it is still printed as GLib would.
std::vector<std::string> g_warningsOutsideTests;

GLogWriterOutput FailOnWarning(GLogLevelFlags level, const GLogField* fields, gsize count,
                               gpointer data) {
    if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) {
        std::string domain = "(no domain)";
        std::string message;
        for (gsize i = 0; i < count; ++i) {
            const GLogField& field = fields[i];
            if (field.value == nullptr) {
                continue;
            }
            const char* value = static_cast<const char*>(field.value);
            const std::string text = field.length < 0
                                         ? std::string(value)
                                         : std::string(value, static_cast<size_t>(field.length));
            if (std::strcmp(field.key, "GLIB_DOMAIN") == 0) {
                domain = text;
            } else if (std::strcmp(field.key, "MESSAGE") == 0) {
                message = text;
            }
        }
        const std::string report = domain + ": " + message;
        if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr) {
            ADD_FAILURE() << "GLib/GTK " << ((level & G_LOG_LEVEL_WARNING) ? "warning" : "critical")
                          << " " << report;
        } else {
            g_warningsOutsideTests.push_back(report);
        }
    }
    return g_log_writer_default(level, fields, count, data);
}

// A test that runs past its limit (a modal loop nobody ends) stops the whole run with its name,
// where ctest's limit on the executable would only say that it timed out.
constexpr unsigned kSecondsPerTest = 60;
char g_overrunMessage[512];

void OnOverrun(int) {
    const ssize_t ignored = write(STDERR_FILENO, g_overrunMessage, std::strlen(g_overrunMessage));
    (void)ignored;
    _exit(1);
}

class TimeLimitPerTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        std::snprintf(g_overrunMessage, sizeof g_overrunMessage,
                      "\n[  TIMEOUT ] %s.%s ran longer than %u s: the run stops here\n",
                      test.test_suite_name(), test.name(), kSecondsPerTest);
        alarm(kSecondsPerTest);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { alarm(0); }
};

bool StartWindowSystem(int& argc, char** argv) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (WaitForDisplay() && wxEntryStart(argc, argv)) {
            return wxTheApp->CallOnInit();
        }
        usleep(250 * 1000);
    }
    return false;
}

// GTK reads its settings from here at start: each run gets a fresh, empty one.
std::string MakeConfigHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qm-gui-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return "";
    }
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    return pattern;
}

void RemoveConfigHome(const std::string& configHome) {
    if (!configHome.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(configHome, ignored);
    }
}

}  // namespace

// The macro also defines wxGetApp(), which the tests never call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
wxIMPLEMENT_APP_NO_MAIN(GuiTestApp);
#pragma GCC diagnostic pop

// The desktop libraries keep caches for the life of the process; they are not our leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libdbus-1.so\n"
           // A start that GTK refused before a retry leaves wx's stock lists behind.
           "leak:wxInitializeStockLists\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests happens at build time, where there is no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    SetStableEnvironment();
    const std::string configHome = MakeConfigHome();
    wxSetAssertHandler(FailOnAssert);
    g_log_set_writer_func(FailOnWarning, nullptr, nullptr);
    signal(SIGALRM, OnOverrun);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TimeLimitPerTest);
    if (!StartWindowSystem(argc, argv)) {
        std::fprintf(stderr, "Cannot start the window system (is DISPLAY set?)\n");
        RemoveConfigHome(configHome);
        return 1;
    }
    int result = 0;
    {
        // CallAfter and Yield need an active loop; nothing runs it but the tests.
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        UnexpectedDialogHook hook;
        hook.Register();
        result = RUN_ALL_TESTS();
        hook.Unregister();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    RemoveConfigHome(configHome);
    if (!g_warningsOutsideTests.empty()) {
        std::fprintf(stderr, "GLib/GTK warnings outside any test:\n");
        for (const std::string& warning : g_warningsOutsideTests) {
            std::fprintf(stderr, "  %s\n", warning.c_str());
        }
        return 1;
    }
    return result;
}
