#include <map>
#include <set>
#include <string>
#include <vector>

#include "comms/smtp_client_curl.h"
#include "model/email_server_settings.h"
#include "scripting/script_fixture.h"
#include "support/loopback_servers.h"
#include "support/temp_folder.h"
#include "support/timetable_account.h"

namespace {

// A report script run as the window runs one, inside one change of the controller, on the
// fixture's school with every mark of everyone set; its e-mail goes to a loopback server.
class ScriptMarks : public ScriptFixture {
protected:
    ScriptMarks() { SendMailTo(smtp.Port()); }
    void MarkEveryoneSent() {
        controller.SettleChanges();
        ::MarkEveryoneSent(*event);
    }
    // Runs the report's main in a change, as the window's Run Scripted Report does.
    void RunReport(const std::string& lua) {
        const std::string path = folder.Write("report.lua", lua);
        const QMController::ChangeScope change(controller);
        QMLuaScript script(path.c_str(), &controller);
        ASSERT_TRUE(script.loaded) << ErrorText();
        script.RunMain();
    }
    std::set<const Person*> Unmarked() {
        std::set<const Person*> unmarked;
        for (const Person* person : EveryPerson(*event)) {
            if (!person->GetEmailSent(EmailResults)) {
                unmarked.insert(person);
            }
            EXPECT_TRUE(person->GetEmailSent(EmailInvitation)) << person->GetName();
            EXPECT_TRUE(person->GetEmailSent(EmailReminder)) << person->GetName();
        }
        return unmarked;
    }

    TempFolder folder{"qm-script-marks"};
    LoopbackSMTPServer smtp{folder, {}};
};

// The fixture's people as a report's main finds them.
constexpr const char* kObjects =
    "local carol = qm_parents()[1] local dan = qm_pupils(carol)[1] "
    "local alice, bob "
    "for _, t in ipairs(qm_teachers()) do "
    "  if qm_personname(t) == 'Alice Smith' then alice = t else bob = t end "
    "end "
    "local talk = qm_presentations()[1] ";

struct ScriptCase {
    const char* name;
    const char* main;
    bool locked;
    // Whose timetables change, by the fixture's names; the tests' account must agree.
    std::set<std::string> changed;
};

void PrintTo(const ScriptCase& c, std::ostream* out) {
    *out << c.name;
}

class ScriptFunctionMarks : public ScriptMarks, public ::testing::WithParamInterface<ScriptCase> {
protected:
    const Person* Named(const std::string& name) {
        const std::map<std::string, const Person*> people = {{"alice", alice},
                                                             {"bob", bob},
                                                             {"carol", carol},
                                                             {"dan", dan},
                                                             {"eve", carol->GetPupil(1)}};
        return people.at(name);
    }
};

// Each function a report may call: those that reshape a timetable unmark exactly its people,
// the others and the refused ones nobody. qm_optimise's changes are the account's to name.
TEST_P(ScriptFunctionMarks, UnmarksExactlyThosePeopleWhoseTimetableItChanged) {
    const ScriptCase& c = GetParam();
    // The merged file is this school with one request more.
    Pupil* eve = carol->GetPupil(1);
    ASSERT_TRUE(eve->AddRequest(bob, "Music", 1, -1));
    const std::string other = folder.File("other.qmv");
    ASSERT_TRUE(controller.SaveEvent(other.c_str()));
    ASSERT_TRUE(eve->DeleteRequest(bob, "Music"));
    event->SetLocked(c.locked);
    Days().SetLocked(c.locked);
    MarkEveryoneSent();
    const TimetableAccount before = AccountTimetables(Days());
    RunReport("other = '" + other + "'\nfunction main() " + kObjects + c.main + " end\n");
    const std::set<const Person*> changed = ChangedTimetablesIn(before, AccountTimetables(Days()));
    EXPECT_EQ(Unmarked(), changed);
    if (std::string(c.name) == "Optimise") {
        EXPECT_FALSE(changed.empty());
        return;
    }
    std::set<const Person*> expected;
    for (const std::string& name : c.changed) {
        expected.insert(Named(name));
    }
    EXPECT_EQ(changed, expected);
}

INSTANTIATE_TEST_SUITE_P(
    ScriptFunctions, ScriptFunctionMarks,
    ::testing::Values(
        ScriptCase{"DeleteRequest",
                   "qm_deleterequest(dan, alice, 'Maths')",
                   false,
                   {"alice", "dan", "carol", "eve"}},
        ScriptCase{"DeleteRequestLocked", "qm_deleterequest(dan, alice, 'Maths')", true, {}},
        ScriptCase{"AttendPresentationUnbookingAClash",
                   "qm_attendpres(carol, talk)",
                   false,
                   {"alice", "dan", "carol", "eve"}},
        ScriptCase{"AttendPresentationOfAFreeTeacher", "qm_attendpres(bob, talk)", false, {"bob"}},
        ScriptCase{"AttendPresentationLocked", "qm_attendpres(carol, talk)", true, {}},
        ScriptCase{"Optimise", "qm_optimise(2)", false, {}},
        ScriptCase{
            "MergeEventFile", "qm_mergeeventfile(other)", false, {"bob", "eve", "carol", "dan"}},
        ScriptCase{"MergeEventFileLocked", "qm_mergeeventfile(other)", true, {}},
        ScriptCase{"SetFieldAndAddPresentation",
                   "qm_setfield(alice, 'location', 'Room 9') "
                   "qm_addpresentation('Open Day', 'Hall', '18:40', '18:50')",
                   false,
                   {}}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

struct SendCase {
    const char* name;
    const char* main;
    bool markedBefore;  // Carol's results mark as the report starts
    bool markedAfter;
};

void PrintTo(const SendCase& c, std::ostream* out) {
    *out << c.name;
}

class SendingReport : public ScriptMarks, public ::testing::WithParamInterface<SendCase> {};

// A report that reshapes a family's timetable and mails them in one run: the message that went
// out carries the timetable as it stands when it was sent, and the family is marked sent exactly
// when that is the timetable they have now.
TEST_P(SendingReport, MarksTheFamilySentOnlyWhenTheirMessageHeldTheirTimetable) {
    const SendCase& c = GetParam();
    ASSERT_NE(smtp.Port(), 0) << smtp.Log();
    // As an office reaches only those not sent yet.
    event->GetPrintSettings().SetIncludeAlreadySent(false);
    MarkEveryoneSent();
    carol->SetEmailSent(EmailResults, c.markedBefore);
    RunReport(std::string("function main() ") + kObjects + c.main + " end\n");
    EXPECT_EQ(ErrorText(), "");
    EXPECT_FALSE(smtp.Messages().empty());
    EXPECT_EQ(carol->GetEmailSent(EmailResults), c.markedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    ChangeAndSend, SendingReport,
    ::testing::Values(SendCase{"ChangedThenSent",
                               "qm_attendpres(carol, talk) qm_sendemail(carol, 0, 2)", true, true},
                      SendCase{"SentThenChanged",
                               "qm_sendemail(carol, 0, 2) qm_attendpres(carol, talk)", false,
                               false},
                      SendCase{"SentWithoutAChange", "qm_sendemail(carol, 0, 2)", false, true},
                      // The report reads the mark as an office script does, to mail only
                      // those who lack their timetable.
                      SendCase{"ChangedThenSentUnlessMarked",
                               "qm_attendpres(carol, talk) "
                               "if not qm_getfields(carol).email_sent then "
                               "qm_sendemail(carol, 0, 2) end",
                               true, true}),
    [](const ::testing::TestParamInfo<SendCase>& info) { return info.param.name; });

struct SaveCase {
    const char* name;
    const char* main;
    bool markedInTheFile;  // Carol's results mark as the saved file holds it
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.name;
}

class SavingReport : public ScriptMarks, public ::testing::WithParamInterface<SaveCase> {};

// A report that reshapes a family's timetable and saves the event: the file it wrote marks the
// family sent only when the timetable it holds is the one they were sent, so that the next
// results run, from that file, reaches them again.
TEST_P(SavingReport, TheFileItSavesMarksOnlyTimetablesThatWereSent) {
    const SaveCase& c = GetParam();
    MarkEveryoneSent();
    const std::string saved = folder.File("saved.qmv");
    RunReport("saved = '" + saved + "'\nfunction main() " + kObjects + c.main +
              " qm_saveas(saved) end\n");
    ASSERT_EQ(ErrorText(), "");
    const std::unique_ptr<MultiDaySchedule> reopened = controller.ReadEventFile(saved.c_str());
    ASSERT_NE(reopened, nullptr) << ErrorText();
    const Parent* carolAgain = reopened->GetEvent()->GetParents().Get(0);
    ASSERT_NE(carolAgain, nullptr);
    EXPECT_EQ(carolAgain->GetEmailSent(EmailResults), c.markedInTheFile);
}

INSTANTIATE_TEST_SUITE_P(
    ChangeAndSave, SavingReport,
    ::testing::Values(SaveCase{"SavedWithoutAChange", "", true},
                      SaveCase{"AttendedATalkThenSaved", "qm_attendpres(carol, talk)", false},
                      SaveCase{"DeletedARequestThenSaved", "qm_deleterequest(dan, alice, 'Maths')",
                               false}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

}  // namespace
