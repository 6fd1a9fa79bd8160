#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script_fixture.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

class ScriptedFiles : public ScriptFixture {
protected:
    std::string Run(const char* fixture, const char* name,
                    const std::vector<std::pair<const char*, std::string>>& globals = {}) {
        auto script = Load(fixture);
        SetGlobal(*script, "case", name);
        for (const auto& [global, value] : globals) {
            SetGlobal(*script, global, value);
        }
        EXPECT_TRUE(script->RunMain()) << ErrorText();
        return script->output;
    }
    TempFolder folder{"qm-scripting"};
};

TEST_F(ScriptedFiles, CSVLinesSplitIntoTrimmedFields) {
    struct Case {
        const char* line;
        const char* fields;
    };
    const std::vector<Case> cases = {
        {"Amy Lee , 7B ,Red", "3:Amy Lee|7B|Red"},
        {"\"Lee, Amy\",7B", "2:Lee, Amy|7B"},
        {"", "0:"},
        {"  alone\t", "1:alone"},
        {"a,,b", "3:a||b"},
        {"\" padded \" ,x", "2:padded|x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Run("files.lua", "csvsplit", {{"text", c.line}}), std::string(c.fields) + "\n");
    }
}

TEST_F(ScriptedFiles, PrintSettingsAndErrorsReachTheScriptAndTheSink) {
    PrintSettings settings = event->GetPrintSettings();
    settings.SetUseSansSerif(true);
    settings.SetTeacherBreaks(true);
    settings.SetParentNotes("Please arrive early");
    event->SetPrintSettings(settings);
    EXPECT_EQ(Run("files.lua", "printing"),
              "one_parent_per_sheet false\n"
              "parent_notes Please arrive early\n"
              "print_teacher_breaks true\n"
              "print_unbooked_appts " +
                  std::string(settings.GetListUnbooked() ? "true" : "false") +
                  "\n"
                  "small_teacher_font false\n"
                  "teacher_notes \n"
                  "use_sans_serif_font true\n");
    EXPECT_EQ(ErrorText(), "Check the room list\n");
}

TEST_F(ScriptedFiles, UserSettingsAreSetReadAndDeleted) {
    UserSettings& settings = controller.GetUserSettings();
    settings.Set("keep", "old");
    EXPECT_EQ(Run("files.lua", "settings"), "blue\n[]\n1\n[]\n");
    EXPECT_EQ(settings.Count(), 0u);
}

TEST_F(ScriptedFiles, TextsConvertBetweenEightBitAndUTF8) {
    EXPECT_EQ(Run("files.lua", "convert"), "true true []\n");
}

TEST_F(ScriptedFiles, ScriptsSaveAndMergeEventFiles) {
    ScopedEnv configHome{"XDG_CONFIG_HOME", folder.File("config").c_str()};
    const std::string other = folder.File("other.qmv");
    {
        QMController otherController;
        auto otherEvent = std::make_shared<Event>();
        otherEvent->SetName("Spring Evening");
        auto otherDays = std::make_unique<MultiDaySchedule>(otherEvent);
        ASSERT_TRUE(otherDays->AddTeacher(std::make_unique<Teacher>("Fay Green")));
        otherController.SetEvent(std::move(otherDays));
        ASSERT_TRUE(otherController.SaveEvent(other.c_str()));
    }
    const std::string path = folder.File("spring.qmv");
    EXPECT_EQ(Run("files.lua", "files",
                  {{"path", path}, {"other", other}, {"datadir", controller.GetUserDataFolder()}}),
              "[] false true\n"
              "true true\n"
              "true Created new teacher 'Fay Green'\n\n"
              "Alice Smith\n"
              "Bob Jones\n"
              "Fay Green\n"
              "false \n");
    EXPECT_EQ(controller.GetFileName(), path);
    EXPECT_FALSE(ReadWholeFile(path).empty());
    EXPECT_EQ(event->GetTeachers().Count(), 3u);
}

class ScriptedXML : public ScriptedFiles {
protected:
    std::string Write() {
        return folder.Write("school.xml",
                            "<?xml version=\"1.0\"?>\n"
                            "<school>\n"
                            " <!-- two pupils -->\n"
                            " <pupil><name>Amy Lee</name><form>7B</form><photo/></pupil>\n"
                            " <Pupil><name>Ben Ross</name><form>8C</form></Pupil>\n"
                            "</school>\n");
    }
};

TEST_F(ScriptedXML, RecordsAreReadElementByElement) {
    EXPECT_EQ(Run("xml.lua", "table", {{"path", Write()}}),
              "true false\n"
              "form=7B,name=Amy Lee,photo=\n"
              "form=8C,name=Ben Ross\n"
              "nil false\n");
}

TEST_F(ScriptedXML, ADocumentTreeStaysWithTheHostForLaterCalls) {
    auto script = Load("xml.lua");
    SetGlobal(*script, "path", Write());
    SetGlobal(*script, "case", "document");
    EXPECT_TRUE(script->RunMain());
    const std::string tree = script->output;
    // The declaration opens a node that holds the rest of the document, the school included.
    EXPECT_TRUE(BeginsWith(
        tree, "true\nUCXMLNode\n UCXMLNode <?xml version=\"1.0\"?>\n  UCXMLNode <school>\n"))
        << tree;
    std::string flat;
    for (char c : tree) {
        if (c != ' ' || (!flat.empty() && flat.back() != '\n')) {
            flat += c;
        }
    }
    EXPECT_TRUE(Contains(flat,
                         "UCXMLNode <pupil>\nUCXMLNode <name>\nUCXMLBodyText 'Amy Lee'\n"
                         "UCXMLNode <form>\nUCXMLBodyText '7B'\nUCXMLTag photo\n"
                         "UCXMLNode <Pupil>\n"));
    // The tree outlives the call that read it.
    script->output.clear();
    SetGlobal(*script, "case", "again");
    EXPECT_TRUE(script->RunMain()) << ErrorText();
    EXPECT_EQ(script->output, tree.substr(5));
    EXPECT_EQ(ErrorText(), "");
}

TEST_F(ScriptedXML, AFileThatDidNotOpenBlocksEveryLaterOpen) {
    // A folder opens for reading on this system, but it is no XML file.
    for (const std::string& path : {folder.File("absent.xml"), folder.Path()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Run("xml.lua", "missing", {{"path", path}}),
                  "nil false false false nil\n"
                  "nil nil\n");
    }
    // A missing file is the script's question; a folder is named, once.
    EXPECT_EQ(ErrorText(), "Cannot open XML file '" + folder.Path() + "': Is a directory\n");
}

}  // namespace
