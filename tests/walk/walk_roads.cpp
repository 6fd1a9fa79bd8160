// The walk's steps that bring people in or send something out: imports, merges, e-mail runs and
// report scripts.
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <map>

#include "app/event_file_writer.h"
#include "app/read_back.h"
#include "comms/wx/email_progress_dlg.h"
#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "foundation/files.h"
#include "gui/support/user_input.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "walk/walk.h"

namespace {

using C = CommandId;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A family's name as a school's export gives it: without the address the program adds to tell
// namesakes apart.
std::string BareName(const std::string& name) {
    return name.substr(0, name.find(" ("));
}

// --- lists of pupils and teachers ---

struct List {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;

    std::string Csv() const {
        std::string text;
        for (const auto& row : rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                text += (i ? "," : "") + Quoted(row[i]);
            }
            text += "\n";
        }
        return text;
    }
    std::string Definition() const {
        std::string text;
        for (const std::string& column : columns) {
            text += (text.empty() ? "" : ",") + column;
        }
        return text;
    }
};

// The children the event holds (all of them, or a few beside a term's starters) in a list of a
// shape the import reads (some columns left out), and a few it does not hold: new families'
// children, and a namesake of a held child in another form. report learns who must be there
// afterwards.
List PupilList(Walk& walk, StepReport& report, std::string* shape) {
    const bool parent = walk.Chance(70);
    const bool address = walk.Chance(60);
    const bool identifier = walk.Chance(50);
    const bool form = walk.Chance(80);
    List list;
    list.columns = {"Full Name"};
    if (form) {
        list.columns.push_back("Form / Tutor Group");
    }
    if (parent) {
        list.columns.push_back("Parent's Name");
    }
    if (address) {
        list.columns.push_back("Address Line 1");
    }
    if (identifier) {
        list.columns.push_back("Unique Identifier");
    }
    *shape = list.Definition();
    const auto row = [&](const std::string& child, const std::string& childForm,
                         const std::string& family, const std::string& line,
                         const std::string& id) {
        std::vector<std::string> cells = {child};
        if (form) {
            cells.push_back(childForm);
        }
        if (parent) {
            cells.push_back(family);
        }
        if (address) {
            cells.push_back(line);
        }
        if (identifier) {
            cells.push_back(id);
        }
        list.rows.push_back(cells);
    };
    const ParentList& parents = walk.TheEvent().GetParents();
    // The whole school, or a term's starters beside a few held children.
    const bool some = walk.Chance(30);
    if (some) {
        *shape += " (some held children)";
    }
    unsigned pupils = 0;
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent& family = *parents.Get(p);
        // A family's own number, when it has one other than its name.
        const std::string id =
            family.GetUniqueIdOrName() != family.GetName() ? family.GetUniqueId() : "";
        for (unsigned k = 0; k < family.GetPupilCount(); ++k) {
            const Pupil& child = *family.GetPupil(k);
            if (some && walk.Chance(70)) {
                continue;
            }
            row(child.GetName(), child.GetForm(), BareName(walk.ExportedName(family.GetName())),
                family.GetAddress(0), id);
        }
        pupils += family.GetPupilCount();
    }
    int brought = 0;
    for (int n = walk.Draw(3); n > 0; --n) {
        const std::string child =
            "New Child " + std::to_string(walk.stepNumber) + "-" + std::to_string(n);
        row(child, "7Z", "New Family of " + child, "9 New Road", "");
        report.mustHold.push_back(child + "|" + (form ? "7Z" : ""));
        ++brought;
    }
    // A namesake is told apart from the held child only by the form.
    if (form && pupils > 0 && walk.Chance(50)) {
        const Parent* family = walk.AnyParent();
        const auto heldAlready = [&](const std::string& name, const std::string& childForm) {
            for (unsigned p = 0; p < parents.Count(); ++p) {
                const Pupil* child = parents.Get(p)->FindPupil(name);
                if (child != nullptr && child->GetForm() == childForm) {
                    return true;
                }
            }
            return false;
        };
        // A held child without a form is the one a fuller line describes, not a namesake; a
        // line naming a family the event holds brings that family a child, not a namesake's.
        const auto familyHeld = [&](const std::string& name) {
            for (unsigned p = 0; p < parents.Count(); ++p) {
                if (BareName(parents.Get(p)->GetName()) == name) {
                    return true;
                }
            }
            return false;
        };
        if (family != nullptr && family->GetPupilCount() > 0 &&
            !family->GetPupil(0)->GetForm().empty() &&
            (!parent || !familyHeld("Family of the other " + family->GetPupil(0)->GetName())) &&
            !heldAlready(family->GetPupil(0)->GetName(), family->GetPupil(0)->GetForm() + "X")) {
            const Pupil& held = *family->GetPupil(0);
            row(held.GetName(), held.GetForm() + "X", "Family of the other " + held.GetName(),
                "5 Other Road", "");
            report.mustHold.push_back(held.GetName() + "|" + held.GetForm() + "X");
            ++brought;
        }
    }
    if (walk.Chance(50)) {
        std::reverse(list.rows.begin(), list.rows.end());
    }
    report.pupilsAfter = pupils + static_cast<unsigned>(brought);
    report.familiesAfter = parents.Count() + static_cast<unsigned>(brought);
    return list;
}

List TeacherList(Walk& walk, StepReport& report) {
    List list;
    list.columns = {"Full Name", "Initials"};
    const ::TeacherList& teachers = walk.TheEvent().GetTeachers();
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        list.rows.push_back({teachers.Get(t)->GetName(), teachers.Get(t)->GetInitials()});
    }
    const int brought = walk.Draw(2);
    if (brought) {
        list.rows.push_back(
            {"Mx New" + std::to_string(walk.stepNumber), "N" + std::to_string(walk.stepNumber)});
    }
    report.teachersAfter = teachers.Count() + static_cast<unsigned>(brought);
    return list;
}

// The list through the window's import: the file chosen, its columns described, the preview
// run to its end and accepted.
void ImportThroughWindow(Walk& walk, StepReport& report, const List& list, bool pupils) {
    const std::string path = walk.NewFile(pupils ? "pupils.csv" : "staff.csv");
    WriteWholeFile(path, list.Csv());
    bool opened = false;
    walk.dialogs.Then<ImportDlg>([&](ImportDlg& dialog) {
        opened = true;
        dialog.GetFileNameText()->SetValue(wxString::FromUTF8(path));
        dialog.GetFileTypeChoice()->SetStringSelection(ImportDlg::kCSVFileType);
        walk.dialogs.Then<DefineCSVDlg>([&](DefineCSVDlg& define) {
            for (const std::string& column : list.columns) {
                wxListBox* available = define.GetAvailableList();
                available->SetSelection(available->FindString(wxString::FromUTF8(column)));
                wxCommandEvent select(wxEVT_BUTTON, WxId(DefineCSVDlg::Id::Select));
                define.OnSelect(select);
            }
            return define.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
        walk.dialogs.Then<ImportProgressDlg>([](ImportProgressDlg& progress) {
            for (int i = 0; i < 100000 && progress.Step(); ++i) {
            }
            return static_cast<int>(wxID_OK);
        });
        Press(&dialog, WxId(ImportDlg::Id::PerformImport));
        return dialog.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    if (!walk.Command(pupils ? C::ImportPupils : C::ImportTeachers) || !opened) {
        report.skipped = true;
    }
}

// The same list through a report script's qm_csvimport.
void RunScript(Walk& walk, StepReport& report, const std::string& body);

// Each child the event holds, by name, with the families holding one of that name.
std::multimap<std::string, const Parent*> ChildrenByName(const Event& event) {
    std::multimap<std::string, const Parent*> children;
    for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
        const Parent* family = event.GetParents().Get(p);
        for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
            children.emplace(family->GetPupil(k)->GetName(), family);
        }
    }
    return children;
}

// Why an import may have brought a held child again, as far as the walk can tell: the first held
// name that more children have than before and than the list brought, and the families that
// held it.
std::string WhyDoubled(const Walk& walk, const std::multimap<std::string, const Parent*>& before,
                       const std::string& shape, const std::vector<std::string>& brought) {
    const auto after = ChildrenByName(walk.TheEvent());
    std::map<std::string, int> familiesNamed;
    for (unsigned p = 0; p < walk.TheEvent().GetParents().Count(); ++p) {
        ++familiesNamed[BareName(walk.TheEvent().GetParents().Get(p)->GetName())];
    }
    for (auto it = before.begin(); it != before.end(); it = before.upper_bound(it->first)) {
        const std::string& name = it->first;
        const auto listed =
            std::count_if(brought.begin(), brought.end(),
                          [&](const std::string& c) { return c.substr(0, c.find('|')) == name; });
        if (after.count(name) <= before.count(name) + static_cast<size_t>(listed)) {
            continue;
        }
        bool renamed = false;
        bool numbered = false;
        bool namesakes = before.count(name) > 1;
        for (auto held = it; held != before.upper_bound(name); ++held) {
            const Parent& family = *held->second;
            renamed = renamed || walk.ExportedName(family.GetName()) != family.GetName();
            numbered = numbered || family.GetUniqueIdOrName() != family.GetName();
            // Another family of the name, told apart by its address.
            namesakes = namesakes || familiesNamed[BareName(family.GetName())] > 1;
        }
        if (renamed) {
            return " (a family renamed here)";
        }
        if (shape.find("Parent's Name") == std::string::npos) {
            return " (a list without parents)";
        }
        if (numbered && shape.find("Unique Identifier") == std::string::npos) {
            return " (a numbered family, a list without numbers)";
        }
        return namesakes ? " (namesakes)" : " (" + shape + ")";
    }
    // A namesake the list brought, put in the family of the held child of that name.
    for (const std::string& child : brought) {
        const std::string name = child.substr(0, child.find('|'));
        for (auto held = before.lower_bound(name); held != before.upper_bound(name); ++held) {
            const auto in = after.equal_range(name);
            if (std::count_if(in.first, in.second, [&](const auto& entry) {
                    return entry.second == held->second;
                }) > 1) {
                return " (namesakes)";
            }
        }
    }
    return "";
}

void ImportPupils(Walk& walk, StepReport& report) {
    std::string shape;
    const auto held = ChildrenByName(walk.TheEvent());
    const List list = PupilList(walk, report, &shape);
    const bool script = walk.Chance(30);
    report.text = std::string(script ? "qm_csvimport" : "Import Pupils") + " of " +
                  std::to_string(list.rows.size()) + " lines: " + shape;
    if (script) {
        const std::string path = walk.NewFile("pupils.csv");
        WriteWholeFile(path, list.Csv());
        RunScript(walk, report,
                  "qm_csvimport(1, " + Quoted(path) + ", " + Quoted(list.Definition()) + ")");
    } else {
        ImportThroughWindow(walk, report, list, true);
    }
    report.hint = WhyDoubled(walk, held, shape, report.mustHold);
    if (report.hint.empty() && !report.mustHold.empty()) {
        report.hint = " (" + shape + ")";
    }
}

void ImportTeachers(Walk& walk, StepReport& report) {
    const List list = TeacherList(walk, report);
    report.text = "Import Teachers of " + std::to_string(list.rows.size()) + " lines";
    ImportThroughWindow(walk, report, list, false);
}

// --- merges ---

// A colleague's copy of the event as it stands: unchanged, with one family's address corrected,
// or with a late family that chose a talk, has a child taught by a teacher and misses a day.
void MergeCopy(Walk& walk, StepReport& report) {
    std::string messages;
    const std::unique_ptr<MultiDaySchedule> copy =
        ReadBack(walk.controller.FormatEventText(), &messages);
    if (!copy) {
        report.skipped = true;
        return;
    }
    Event& theirs = *copy->GetEvent();
    const unsigned families = walk.TheEvent().GetParents().Count();
    unsigned pupils = 0;
    for (unsigned p = 0; p < families; ++p) {
        pupils += walk.TheEvent().GetParents().Get(p)->GetPupilCount();
    }
    report.familiesAfter = families;
    report.pupilsAfter = pupils;
    const bool locked = walk.TheEvent().IsLocked();
    // A locked event takes nobody new, and says so.
    report.lockRefuses = locked;
    switch (walk.Draw(3)) {
        case 0:
            report.text = "Merge Changes of an unchanged copy";
            report.hint = " (an unchanged copy)";
            report.changesNothing = "merging an unchanged copy";
            break;
        case 1: {
            Parent* family = theirs.GetParents().Count() == 0
                                 ? nullptr
                                 : theirs.GetParents().Get(walk.Draw(theirs.GetParents().Count()));
            if (family == nullptr) {
                report.skipped = true;
                return;
            }
            family->SetAddress(0, family->GetAddress(0) + " (corrected)");
            report.text =
                "Merge Changes of a copy with the address of '" + family->GetName() + "' corrected";
            report.hint = " (a copy with an address corrected)";
            break;
        }
        default: {
            const std::string name = "Late Family " + std::to_string(walk.stepNumber);
            auto late = std::make_unique<Parent>(name);
            late->SetAddress(0, "1 Late Lane");
            late->ResetAttendanceAllDays(copy.get());
            auto child = std::make_unique<Pupil>("Late Child of " + name);
            child->SetForm("8Q");
            Pupil* kept = child.get();
            Parent* family = late.get();
            late->AddPupil(std::move(child));
            if (!copy->AddParent(std::move(late))) {
                report.skipped = true;
                return;
            }
            if (theirs.GetTeachers().Count() > 0) {
                Teacher* teacher = theirs.GetTeachers().Get(0);
                kept->AddTaughtBy(teacher, "Maths");
                (void)kept->AddRequest(teacher, "Maths", 1, 1);
            }
            // Away first, as the copy's editor would have it: a talk on that day is then refused
            // to them, where attending first would leave them at a talk they are not there for.
            if (copy->GetDayCount() > 1) {
                family->SetAttending(copy->GetDay(copy->GetDayCount() - 1), false);
            }
            const PresentationList& talks = theirs.GetPresentations();
            std::string talk;
            if (talks.Count() > 0) {
                Presentation* chosen = talks.GetPresentation(walk.Draw(talks.Count()));
                if (copy->AttendPresentation(family, chosen)) {
                    talk = "day/" + chosen->GetDate().FormatISO() + "/talk/" + chosen->GetName();
                }
            }
            report.text = "Merge Changes of a copy with '" + name + "' added";
            report.hint = " (a copy with a late family)";
            if (!locked) {
                const EventAccount account = AccountEvent(*copy);
                for (const auto& [key, value] : account) {
                    if (key.find("/attend/" + name) != std::string::npos ||
                        key == "person/" + PersonKey(*kept)) {
                        report.mustContain.emplace_back(key, value);
                    }
                }
                if (!talk.empty()) {
                    report.mustContain.emplace_back(talk, " " + name);
                }
                report.familiesAfter = families + 1;
                report.pupilsAfter = pupils + 1;
                report.mustHold.push_back(kept->GetName() + "|8Q");
            }
            break;
        }
    }
    const std::string path = walk.NewFile("copy.qmv");
    WriteWholeFile(path, EventFileWriter(*copy).FormatSavedText());
    if (walk.Chance(25)) {
        report.text = "qm_mergeeventfile: " + report.text;
        RunScript(walk, report, "qm_mergeeventfile(" + Quoted(path) + ")");
        return;
    }
    walk.prompts.file = path;
    if (!walk.Command(C::MergeChanges)) {
        report.skipped = true;
    }
}

// --- e-mail ---

// Gives the event a mail server through the window's server dialog when it has none.
bool EnsureServer(Walk& walk, StepReport& report) {
    if (!walk.TheEvent().GetEmailServerSettings().GetServer().empty() &&
        !walk.TheEvent().GetEmailServerSettings().GetFromAddress().empty()) {
        return true;
    }
    bool accepted = false;
    walk.dialogs.Then<EmailServerDlg>([&](EmailServerDlg& dialog) {
        dialog.GetServerField()->ChangeValue("smtp.walk.example");
        dialog.GetFromField()->ChangeValue("office@walk.example");
        accepted = dialog.TransferDataFromWindow();
        return accepted ? wxID_OK : wxID_CANCEL;
    });
    walk.Command(C::EditEmailServer);
    report.text += " (server set first)";
    return accepted;
}

void SendResults(Walk& walk, StepReport& report) {
    report.text = "Send Result Emails";
    if (!EnsureServer(walk, report)) {
        report.skipped = true;
        return;
    }
    const bool resend = walk.Chance(20);
    const bool lock = walk.Chance(30);
    walk.prompts.answer = [lock](const std::string& question) {
        return question.find("Lock the schedule?") == std::string::npos || lock;
    };
    // Some addresses the server turns away.
    for (Person* person : EveryPerson(walk.TheEvent())) {
        if (!person->GetEmail().empty() && walk.Chance(10)) {
            walk.outbox.refused.insert(person->GetEmail());
        }
    }
    const bool pupils = walk.Chance(40);
    const bool teachers = walk.Chance(60);
    walk.dialogs.Then<EmailSettingsDlg>([&](EmailSettingsDlg& dialog) {
        Tick(dialog.GetResendBox(), resend);
        Tick(dialog.GetPupilsBox(), pupils);
        Tick(dialog.GetTeachersBox(), teachers);
        Tick(dialog.GetParentsBox(), true);
        return dialog.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    walk.dialogs.Then<EmailProgressDlg>([&](EmailProgressDlg& progress) {
        for (int i = 0; i < 100000 && !progress.IsFinished() && !progress.IsStopped(); ++i) {
            progress.SendAll();
        }
        report.failedMessages = progress.GetJob().GetFailedCount();
        report.text += ": " + progress.GetJob().GetSummary();
        return static_cast<int>(wxID_OK);
    });
    report.sentKind = EmailResults;
    report.skipsSent = !resend;
    if (resend) {
        report.text += ", resending";
    }
    if (!walk.Command(C::SendResultEmails)) {
        report.skipped = true;
    }
}

// A results text that uses every word the text window offers.
void WriteEmailText(Walk& walk, StepReport& report) {
    static const CommandId kTexts[] = {C::EditParentResultsText, C::EditTeacherResultsText,
                                       C::EditPupilResultsText};
    const CommandId which = kTexts[walk.Draw(3)];
    report.text = "a results text with NAME, NOTES, SCHEDULE and UNBOOKED";
    bool opened = false;
    walk.dialogs.Then<EmailTextDlg>([&](EmailTextDlg& dialog) {
        opened = true;
        dialog.GetTextField()->ChangeValue(
            "Dear NAME,\n\nNOTES\n\nYour evening:\nSCHEDULE\n\nStill to see:\nUNBOOKED\n");
        return dialog.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    if (!walk.Command(which) || !opened) {
        report.skipped = true;
    }
}

// --- report scripts ---

void RunScript(Walk& walk, StepReport& report, const std::string& body) {
    const std::string path = walk.NewFile("report.lua");
    WriteWholeFile(path, "function main()\n" + body + "\nend\n");
    walk.prompts.file = path;
    if (!walk.Command(C::RunScriptedReport)) {
        report.skipped = true;
    }
}

// One script function that changes the event, on people the walk picks by their place.
void ScriptChange(Walk& walk, StepReport& report) {
    const std::string parent =
        "local parent = qm_parents()[" +
        std::to_string(1 + walk.Draw(std::max(1u, walk.TheEvent().GetParents().Count()))) + "]\n";
    switch (walk.Draw(4)) {
        case 0: {
            report.text = "qm_deleterequest";
            report.mayUnbook = true;
            RunScript(walk, report,
                      parent +
                          "local pupil = qm_pupils(parent)[1]\n"
                          "local request = qm_requests(pupil)[1]\n"
                          "if request then qm_deleterequest(pupil, request.teacher, "
                          "request.subject) end");
            break;
        }
        case 1: {
            const int talks = static_cast<int>(walk.TheEvent().GetPresentations().Count());
            if (talks == 0) {
                report.skipped = true;
                return;
            }
            const Presentation* talk =
                walk.TheEvent().GetPresentations().GetPresentation(walk.Draw(talks));
            unsigned day = 0;
            if (!walk.Days().FindDayIndex(talk->GetDate(), &day)) {
                report.skipped = true;
                return;
            }
            report.date = talk->GetDate().FormatISO();
            report.text = "qm_attendpres '" + talk->GetName() + "'";
            RunScript(walk, report,
                      parent + "qm_selectday(" + std::to_string(day) + ")\n" +
                          "for _, talk in ipairs(qm_presentations()) do\n"
                          "  if qm_getfields(talk).title == " +
                          Quoted(talk->GetName()) +
                          " then qm_attendpres(parent, talk) end\n"
                          "end");
            break;
        }
        case 2: {
            const int day = walk.AnyDay();
            const Schedule& schedule = *walk.Days().GetDay(day);
            // Off the slot starts as often as not.
            TimeOfDay start =
                schedule.SlotToTime(1 + walk.Draw(std::max(1, schedule.GetNumSlots() - 4)));
            start.SetSeconds(start.Seconds() + walk.Draw(3) * 300);
            TimeOfDay end;
            end.SetSeconds(start.Seconds() + 1500);
            report.date = walk.DateOfDay(day);
            report.text = "qm_addpresentation at " + start.Format(Time12h) + " on " + report.date;
            RunScript(walk, report,
                      "qm_selectday(" + std::to_string(day) + ")\nqm_addpresentation(" +
                          Quoted("Walk talk " + std::to_string(walk.stepNumber)) +
                          ", \"Library\", " + Quoted(start.Format(Time12h)) + ", " +
                          Quoted(end.Format(Time12h)) + ")");
            break;
        }
        default:
            report.text = "qm_setfield location";
            RunScript(walk, report,
                      "local teacher = qm_teachers()[1]\n"
                      "if teacher then qm_setfield(teacher, \"location\", \"Room 9\") end");
            break;
    }
}

}  // namespace

const std::vector<Step>& RoadSteps() {
    static const std::vector<Step> steps = {
        {"import pupils", 4, ImportPupils},
        {"import teachers", 1, ImportTeachers},
        {"merge", 3, MergeCopy},
        {"send results", 3, SendResults},
        {"e-mail text", 1, WriteEmailText},
        {"script", 3, ScriptChange},
    };
    return steps;
}
