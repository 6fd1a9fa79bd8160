#include <gtest/gtest.h>
#include <wx/testing.h>

#include <filesystem>

#include "frame_fixture.h"
#include "gui/dialogs/modal_dialog_tracker.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/event_file_names.h"
#include "gui/main/frame_commands.h"
#include "gui/main/qm_file_drop_target.h"

namespace {

namespace fs = std::filesystem;

const char* const kChangedQuestion =
    "The schedule has been changed since it was last saved. Do you wish to save the changed data?";

class FrameFiles : public MainWindow {
protected:
    std::string EventName() { return Schedule() ? Schedule()->GetEvent()->GetName() : ""; }
    std::string FileName() { return frame_->GetController().GetFileName(); }
    // The event-file save: a new, never saved event to save.
    void OpenNewEvent() {
        Open();
        frame_->GetController().SetEvent(
            std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    }
};

// The file commands whose tests look at no part of the window.
class EventFileCommands : public CommandWindow {
protected:
    std::string FileName() { return host_->GetController().GetFileName(); }
    void OpenNewEvent() {
        Open();
        host_->GetController().SetEvent(
            std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    }
};

// --- start-up ---

TEST_F(FrameFiles, StartUpRecoversTheAutosaveCopyInsteadOfTheArgument) {
    const std::string path = Example();
    LeaveAutosaveCopy(path, "Recovered");
    Open(Example("other.qmv"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "It seems as though Quillmoot crashed with unsaved data last time - "
                           "Quillmoot will now attempt to recover"});
    EXPECT_EQ(EventName(), "Recovered");
    EXPECT_TRUE(EventChanged());
    EXPECT_EQ(FileName(), "");
}

// A run started while another runs with a copy of its own opens its file and offers nothing;
// the other run's copy stays as it was.
TEST_F(FrameFiles, StartUpBesideARunningCopyOpensItsFileAndOffersNothing) {
    QMController running;
    running.Initialise();
    const std::string theirs = Example();
    ASSERT_TRUE(running.OpenEventFile(theirs.c_str()));
    running.GetEvent()->SetName("Their work");
    ASSERT_TRUE(running.Autosave());
    const std::string copy = ReadWholeFile(running.GetAutosavePath());
    const std::string ours = Example("other.qmv");
    Open(ours);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(FileName(), ours);
    EXPECT_NE(EventName(), "Their work");
    EXPECT_TRUE(frame_->Close(false));
    EXPECT_TRUE(Closed());
    EXPECT_EQ(ReadWholeFile(running.GetAutosavePath()), copy);
}

TEST_F(FrameFiles, StartUpWithAnUnreadableAutosaveCopyLoadsNothing) {
    folder_.Write("config/Quillmoot/autosave.qmv", "not an event\n");
    Open(Example());
    const std::vector<std::string> boxes = Boxes();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes.front().rfind("It seems as though Quillmoot crashed", 0), 0u);
    EXPECT_EQ(boxes.back(), "Error: Could not recover from autosave file");
    EXPECT_EQ(Schedule(), nullptr);
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser");
}

TEST_F(FrameFiles, StartUpOpensTheArgumentOrSaysWhyNotAndCreatesNothing) {
    const std::string path = Example();
    Open(path);
    EXPECT_EQ(FileName(), path);
    EXPECT_TRUE(Boxes().empty());
    frame_->Destroy();
    ProcessPending();

    const std::string missing = folder_.Path() + "/events/missing.qmv";
    Open(missing);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Error: Cannot ", 0), 0u);
    EXPECT_NE(Boxes()[0].find("'" + missing + "'"), std::string::npos);
    EXPECT_EQ(Schedule(), nullptr);
    EXPECT_FALSE(fs::exists(missing));
}

// --- closing ---

TEST_F(FrameFiles, ClosingAnUnchangedEventAsksNothingAndDropsTheAutosaveCopy) {
    Open(Example());
    folder_.Write("config/Quillmoot/autosave.qmv", "stale");
    EXPECT_TRUE(frame_->Close(false));
    EXPECT_TRUE(Closed());
    EXPECT_FALSE(fs::exists(AutosavePath()));
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(FrameFiles, ClosingAChangedEventAsksAndFollowsTheAnswer) {
    struct Case {
        const char* name;
        int answer;
        bool closes;
        bool saved;
    };
    const Case cases[] = {
        {"yes saves, then closes", wxID_YES, true, true},
        {"no discards and closes", wxID_NO, true, false},
        {"cancel keeps the window", wxID_CANCEL, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Example();
        Open(path);
        Schedule()->GetEvent()->SetName("Changed");
        ChangeEvent();
        prompts_.shown.clear();
        prompts_.Answer(c.answer);
        EXPECT_EQ(frame_->Close(false), c.closes);
        ASSERT_EQ(prompts_.shown.size(), 1u);
        EXPECT_EQ(prompts_.shown[0].caption, "Please confirm");
        EXPECT_EQ(prompts_.shown[0].message, kChangedQuestion);
        EXPECT_EQ(prompts_.shown[0].style, 0x1a);
        EXPECT_EQ(Closed(), c.closes);
        EXPECT_EQ(ReadWholeFile(path).find("Changed") != std::string::npos, c.saved);
        if (!c.closes) {
            EXPECT_TRUE(frame_->GetAutosaveTimer().IsRunning());
            frame_->Destroy();
            ProcessPending();
        }
    }
}

TEST_F(FrameFiles, YesWhoseSaveDidNotHappenKeepsTheWindowAndTheAutosaveCopy) {
    OpenNewEvent();
    ChangeEvent();
    Tick();
    ASSERT_TRUE(fs::exists(AutosavePath()));
    prompts_.Answer(wxID_YES).CancelFile();
    EXPECT_FALSE(frame_->Close(false));
    EXPECT_FALSE(Closed());
    EXPECT_TRUE(fs::exists(AutosavePath()));

    // The same when the file cannot be written: its folder has gone.
    frame_->Destroy();
    ProcessPending();
    fs::remove(AutosavePath());
    fs::create_directories(folder_.Path() + "/gone");
    const std::string path = folder_.Write("gone/school.qmv", ReadWholeFile(Example()));
    Open(path);
    ChangeEvent();
    Tick();
    fs::remove_all(folder_.Path() + "/gone");
    prompts_.Answer(wxID_YES);
    EXPECT_FALSE(frame_->Close(false));
    EXPECT_FALSE(Closed());
    EXPECT_TRUE(fs::exists(AutosavePath()));
    EXPECT_FALSE(Boxes().empty());
}

TEST_F(FrameFiles, AForcedCloseWithChangesUnsavedLeavesThemInTheAutosaveCopy) {
    Open(Example());
    Schedule()->GetEvent()->SetName("Unsaved");
    ChangeEvent();
    prompts_.Answer(wxID_CANCEL);
    EXPECT_TRUE(frame_->Close(true));
    EXPECT_TRUE(Closed());
    EXPECT_NE(ReadWholeFile(AutosavePath()).find("Unsaved"), std::string::npos);
}

TEST_F(FrameFiles, ClosingWithDamagedSettingsNeitherAsksNorWritesThemNorStartsANewEvent) {
    // Settings are written through at once, unless their file did not load whole or was damaged
    // since: then that file is never written over, not even on close, so there is nothing to ask
    // about (a Yes could neither save them nor close).
    const std::string damaged = "colour \"unterminated\n";
    const struct {
        const char* what;
        bool duringTheRun;
    } rows[] = {{"damaged at the start", false}, {"changed by hand during the run", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        folder_.Write("config/Quillmoot/user_settings.dat",
                      row.duringTheRun ? "evolvernumkids \"10\"\n" : damaged);
        Open();
        bool newEventShown = false;
        frame_->SetNewEventEditor([&](wxWindow*, MultiDaySchedule&, QMController&) {
            newEventShown = true;
            return false;
        });
        if (row.duringTheRun) {
            folder_.Write("config/Quillmoot/user_settings.dat", damaged);
        }
        frame_->GetController().GetUserSettings().Set("evolvernumkids", "12");
        prompts_.shown.clear();
        EXPECT_TRUE(frame_->Close(false));
        EXPECT_TRUE(Closed());
        for (const ScriptedPrompts::Shown& shown : prompts_.shown) {
            EXPECT_FALSE(shown.style & wxYES_NO) << "asked: " << shown.message;
        }
        EXPECT_FALSE(newEventShown);
        EXPECT_EQ(ReadWholeFile(SettingsPath()), damaged);
        if (!Closed()) {
            frame_->Destroy();
        }
        ProcessPending();
    }
}

TEST_F(FrameFiles, ClosingWithOnlyTheSettingsChangedYesSavesThemWithoutANewEvent) {
    Open();
    int newEventShown = 0;
    frame_->SetNewEventEditor([&](wxWindow*, MultiDaySchedule&, QMController&) {
        ++newEventShown;
        return false;
    });
    // Settings are written as they change; one that could not be written is still unsaved.
    fs::create_directories(SettingsPath());
    frame_->GetController().GetUserSettings().Set("evolvernumkids", "12");
    fs::remove(SettingsPath());
    prompts_.shown.clear();
    prompts_.Answer(wxID_YES);
    EXPECT_TRUE(frame_->Close(false));
    EXPECT_TRUE(Closed());
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].message, kChangedQuestion);
    EXPECT_EQ(prompts_.shown[0].style, 0x1a);
    EXPECT_EQ(newEventShown, 0);
    EXPECT_NE(ReadWholeFile(SettingsPath()).find("12"), std::string::npos);
}

TEST_F(FrameFiles, SettingsAreSavedOnCloseWhateverTheAnswer) {
    Open(Example());
    frame_->GetController().GetUserSettings().Set("evolvernumkids", "7");
    ChangeEvent();
    prompts_.Answer(wxID_NO);
    EXPECT_TRUE(frame_->Close(false));
    EXPECT_TRUE(Closed());
    EXPECT_NE(ReadWholeFile(SettingsPath()).find("7"), std::string::npos);
}

// --- loading, dropping, new ---

TEST_F(FrameFiles, LoadAsksBeforeReplacingAChangedEvent) {
    const std::string first = Example();
    const std::string second = Example("second.qmv");
    Open(first);
    ChangeEvent();
    prompts_.Choose(second).Answer(wxID_CANCEL);
    frame_->RunCommand(CommandId::LoadEvent);
    EXPECT_EQ(FileName(), first);
    ASSERT_EQ(prompts_.fileRequests.size(), 1u);
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose an event file");
    EXPECT_EQ(prompts_.fileRequests[0].style, wxFD_OPEN);
    EXPECT_TRUE(prompts_.fileRequests[0].wildcard.EndsWith("|All files (*.*)|*"));

    prompts_.Choose(second).Answer(wxID_NO);
    frame_->RunCommand(CommandId::LoadEvent);
    EXPECT_EQ(FileName(), second);
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser - " + FromUtf8(second));

    // The file already open replaces nothing, so nothing is asked.
    ChangeEvent();
    prompts_.Choose(second);
    frame_->RunCommand(CommandId::LoadEvent);
    EXPECT_TRUE(EventChanged());
}

// Another program rewrote the open file: Save asks before replacing it, and Load reads it.
TEST_F(FrameFiles, SaveAsksBeforeReplacingAFileAnotherProgramChangedAndLoadReadsIt) {
    const std::string path = Example();
    Open(path);
    ChangeEvent();
    const std::string theirs = ReadWholeFile(path) + "\n";
    folder_.Write("events/school.qmv", theirs);
    prompts_.Answer(wxID_NO);
    frame_->RunCommand(CommandId::SaveEvent);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(ToUtf8(prompts_.shown[0].message),
              "The file '" + path +
                  "' has been changed by another program since it was opened or last saved. Do "
                  "you want to replace it with this event?");
    EXPECT_EQ(ReadWholeFile(path), theirs);
    EXPECT_TRUE(EventChanged());

    prompts_.Choose(path).Answer(wxID_NO);
    frame_->RunCommand(CommandId::LoadEvent);
    EXPECT_FALSE(EventChanged()) << "the file was not read again";
    EXPECT_EQ(FileName(), path);
}

TEST_F(EventFileCommands, LoadOfAMissingFileSaysWhyAndCreatesNothing) {
    const std::string path = Example();
    Open(path);
    const std::string missing = folder_.Path() + "/events/missing.qmv";
    prompts_.Choose(FromUtf8(missing));
    host_->RunCommand(CommandId::LoadEvent);
    EXPECT_EQ(FileName(), path);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Error: Cannot ", 0), 0u);
    EXPECT_NE(Boxes()[0].find("'" + missing + "'"), std::string::npos);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(FrameFiles, ADropOfExactlyOneFileLoadsItAfterTheDrop) {
    const std::string path = Example();
    Open();
    auto& target = dynamic_cast<QMFileDropTarget&>(*frame_->GetDropTarget());
    wxArrayString none;
    wxArrayString two;
    two.Add(FromUtf8(path));
    two.Add(FromUtf8(Example("second.qmv")));
    EXPECT_FALSE(target.OnDropFiles(0, 0, none));
    EXPECT_FALSE(target.OnDropFiles(0, 0, two));
    ProcessPending();
    EXPECT_EQ(Schedule(), nullptr);

    wxArrayString one;
    one.Add(FromUtf8(path));
    ModalDialogTracker::Instance().Opened();
    EXPECT_FALSE(target.OnDropFiles(0, 0, one));
    ModalDialogTracker::Instance().Closed();

    EXPECT_TRUE(target.OnDropFiles(0, 0, one));
    EXPECT_EQ(Schedule(), nullptr);
    ProcessPending();
    EXPECT_EQ(FileName(), path);
    EXPECT_TRUE(prompts_.shown.empty());

    // Dropped on a changed event: the usual question first.
    ChangeEvent();
    wxArrayString other;
    other.Add(FromUtf8(Example("third.qmv")));
    prompts_.Answer(wxID_CANCEL);
    EXPECT_TRUE(target.OnDropFiles(0, 0, other));
    ProcessPending();
    EXPECT_EQ(FileName(), path);
}

TEST_F(FrameFiles, NewEventReplacesTheEventOnlyOnOk) {
    const std::string path = Example();
    Open(path);
    bool accept = false;
    frame_->SetNewEventEditor([&](wxWindow* parent, MultiDaySchedule& schedule, QMController&) {
        EXPECT_EQ(parent, frame_);
        schedule.GetEvent()->SetName("Autumn");
        return accept;
    });
    EXPECT_TRUE(MenuEnabled(CommandId::NewEvent));
    frame_->RunCommand(CommandId::NewEvent);
    EXPECT_EQ(FileName(), path);
    EXPECT_FALSE(EventChanged());

    accept = true;
    frame_->RunCommand(CommandId::NewEvent);
    EXPECT_EQ(EventName(), "Autumn");
    EXPECT_EQ(FileName(), "");
    // Never saved: only the tool, which asks for a name, saves it.
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser");
    EXPECT_FALSE(MenuEnabled(CommandId::SaveEvent));
    EXPECT_TRUE(ToolEnabled(CommandId::ToolSaveEvent));
}

TEST_F(FrameFiles, NewEventAsksBeforeReplacingAChangedEvent) {
    struct Case {
        const char* name;
        int answer;
        bool replaced;
        bool saved;
    };
    const Case cases[] = {
        {"cancel keeps the event", wxID_CANCEL, false, false},
        {"yes saves, then replaces", wxID_YES, true, true},
        {"no replaces", wxID_NO, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Example();
        Open(path);
        int shown = 0;
        frame_->SetNewEventEditor([&](wxWindow*, MultiDaySchedule&, QMController&) {
            ++shown;
            return true;
        });
        ChangeEvent();
        prompts_.shown.clear();
        prompts_.Answer(c.answer);
        frame_->RunCommand(CommandId::NewEvent);
        ASSERT_EQ(prompts_.shown.size(), 1u);
        EXPECT_EQ(prompts_.shown[0].message, kChangedQuestion);
        EXPECT_EQ(prompts_.shown[0].style, 0x1a);
        EXPECT_EQ(shown, c.replaced ? 1 : 0);
        EXPECT_EQ(FileName(), c.replaced ? "" : path);
        EXPECT_EQ(ReadWholeFile(path).find("/changed") != std::string::npos, c.saved);
        frame_->Destroy();
        ProcessPending();
    }
}

TEST_F(EventFileCommands, SaveWithoutAnEventExplainsAndStartsANewOne) {
    Open();
    int shown = 0;
    host_->SetNewEventEditor([&](wxWindow*, MultiDaySchedule&, QMController&) {
        ++shown;
        return false;
    });
    SaveEventCommand(host_->Context());
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Warning: There is no event to save yet. When you click OK you will "
                           "be prompted to set one up."});
    EXPECT_EQ(shown, 1);
}

// --- saving ---

TEST_F(FrameFiles, HasFileExtensionComparesTheLastFourCharactersInLowerCase) {
    struct Case {
        const char* path;
        const char* extension;
        bool expected;
    };
    const Case cases[] = {
        {"LIST.CSV", ".csv", true},  {"plan.qmv", ".qmv", true}, {"plan.QmV", ".qmv", true},
        {"plan.txt", ".qmv", false}, {"plan", ".qmv", false},    {"qmv", ".qmv", false},
        {".qm", ".qmv", false},      {"", ".qmv", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasFileExtension(c.path, c.extension), c.expected) << c.path;
    }
}

TEST_F(FrameFiles, SaveAsNamesTheFileByTheChosenFilter) {
    struct Case {
        const char* typed;
        int filter;
        const char* saved;
    };
    const Case cases[] = {
        {"plan", 0, "plan.qmv"},
        {"PLAN.QMV", 0, "PLAN.QMV"},
        {"list.txt", 0, "list.txt.qmv"},
        {"bare", 1, "bare"},
    };
    OpenNewEvent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string expected = folder_.File(c.saved);
        prompts_.Choose(FromUtf8(folder_.File(c.typed)), c.filter);
        frame_->RunCommand(CommandId::SaveEventAs);
        EXPECT_TRUE(fs::exists(expected));
        EXPECT_EQ(FileName(), expected);
        EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser - " + FromUtf8(expected));
    }
    ASSERT_FALSE(prompts_.fileRequests.empty());
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose a filename to save as");
    EXPECT_TRUE(prompts_.fileRequests[0].style & wxFD_OVERWRITE_PROMPT);
}

TEST_F(EventFileCommands, SaveAsAsksBeforeOverwritingAFileTheAddedExtensionNames) {
    OpenNewEvent();
    const std::string existing = folder_.Write("plan.qmv", "kept");
    prompts_.Choose(FromUtf8(folder_.File("plan")), 0).Answer(wxID_NO);
    host_->RunCommand(CommandId::SaveEventAs);
    EXPECT_EQ(ReadWholeFile(existing), "kept");
    EXPECT_EQ(FileName(), "");
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].message,
              "The file '" + FromUtf8(existing) + "' already exists. Do you want to replace it?");

    prompts_.Choose(FromUtf8(folder_.File("plan")), 0).Answer(wxID_YES);
    host_->RunCommand(CommandId::SaveEventAs);
    EXPECT_NE(ReadWholeFile(existing), "kept");
    EXPECT_EQ(FileName(), existing);

    // Cancelling saves nothing and leaves the event's file as it was.
    prompts_.CancelFile();
    host_->RunCommand(CommandId::SaveEventAs);
    EXPECT_EQ(FileName(), existing);
}

TEST_F(EventFileCommands, SaveWritesTheOpenFileAndANewEventGoesThroughSaveAs) {
    const std::string path = Example();
    Open(path);
    Schedule()->GetEvent()->SetName("Renamed");
    ChangeEvent();
    host_->RunCommand(CommandId::ToolSaveEvent);
    EXPECT_NE(ReadWholeFile(path).find("Renamed"), std::string::npos);
    EXPECT_FALSE(EventChanged());

    host_->GetController().SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    prompts_.Choose(FromUtf8(folder_.File("fresh")), 0);
    host_->RunCommand(CommandId::ToolSaveEvent);
    EXPECT_EQ(FileName(), folder_.File("fresh.qmv"));
}

// --- merging ---

TEST_F(EventFileCommands, MergeShowsItsReportOrTheReasonItRefused) {
    Open(Example());
    wxTEST_DIALOG(MergeChanges(host_->Context(), FromUtf8(Example("copy.qmv"))),
                  wxExpectDismissableModal<ReportDlg>(wxID_CANCEL));
    EXPECT_TRUE(Boxes().empty());

    const std::string other = folder_.Write("events/other.qmv", [&] {
        std::string text = ReadWholeFile(Example("base.qmv"));
        const std::string name = "Spring Parents' Evening 2026";
        text.replace(text.find(name), name.size(), "Autumn");
        return text;
    }());
    MergeChanges(host_->Context(), FromUtf8(other));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Cannot merge: event names are different"});

    Schedule()->GetEvent()->SetLocked(true);
    prompts_.shown.clear();
    MergeChanges(host_->Context(), FromUtf8(Example("copy2.qmv")));
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Error: Cannot merge changes because the schedule is locked"});
}

}  // namespace
