// Importing the families of generated schools from a CSV file and from an XML export, at a
// quarter, half and the whole of the large school's 1,500 families; and teachers and pupils
// from files of 2,500 to 20,000 rows, where each import must grow with the file, not faster.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/csv_import_run.h"
#include "import/imported_people.h"
#include "import/pt_csv_importer.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/school_generator.h"
#include "support/temp_folder.h"

namespace {

GeneratedSchool School(int families) {
    SchoolSize size = SchoolSize::Large();
    const double share = static_cast<double>(families) / size.parents;
    size.parents = families;
    size.pupils = static_cast<int>(size.pupils * share);
    size.requests = 0;
    return GenerateSchool(size, 11);
}

// One pupil a line with its form, its parent's name, e-mail and first address line.
std::string CSVText(const GeneratedSchool& school) {
    std::string text = "Forename,Surname,Form,Parent,Email,Address\n";
    for (unsigned p = 0; p < school.event->GetParents().Count(); ++p) {
        const Parent* parent = school.event->GetParents().Get(p);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const std::string& name = parent->GetPupil(k)->GetName();
            const size_t blank = name.find(' ');
            text += "\"" + name.substr(0, blank) + "\",\"" + name.substr(blank + 1) + "\"," +
                    parent->GetPupil(k)->GetForm() + ",\"" + parent->GetName() + "\"," + "family" +
                    std::to_string(p) + "@home.example,\"" + std::to_string(p + 1) +
                    " High Street\"\n";
        }
    }
    return text;
}

// Each pupil a contact of its family's surname under another title and forename, and no
// address; children's surnames end with the suffix (newcomers the school's own event does not
// hold).
std::string XMLText(const GeneratedSchool& school, const std::string& surnameSuffix = "") {
    std::string text = "<?xml version=\"1.0\"?>\n<Export><Pupils>\n";
    for (unsigned p = 0; p < school.event->GetParents().Count(); ++p) {
        const Parent* parent = school.event->GetParents().Get(p);
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const std::string& name = parent->GetPupil(k)->GetName();
            const size_t blank = name.find(' ');
            text += "<Pupil><Forename>" + name.substr(0, blank) + "</Forename><Surname>" +
                    name.substr(blank + 1) + surnameSuffix + "</Surname><RegistrationGroup>" +
                    parent->GetPupil(k)->GetForm() +
                    "</RegistrationGroup><Contact><Title>Mx</Title><Forename>Family</Forename>"
                    "<Surname>" +
                    parent->GetName().substr(parent->GetName().rfind(' ') + 1) +
                    "</Surname></Contact></Pupil>\n";
        }
    }
    return text + "</Pupils></Export>\n";
}

// Rows of a staff list: a distinct name, initials, a room and a subject each.
std::string TeacherCSVText(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        text += "Teacher " + n + " Smith,T" + n + ",Room " + std::to_string(i % 60) + ",Subject " +
                std::to_string(i % 25) + "\n";
    }
    return text;
}

std::string TeacherListText(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        text += "Teacher " + std::to_string(i) + " Smith\n";
    }
    return text;
}

// Rows of pupils with their form and parents, two brothers or sisters to a family.
std::string PupilCSVText(int rows) {
    std::string text;
    for (int i = 0; i < rows; ++i) {
        const std::string family = std::to_string(i / 2);
        text += "Pupil " + std::to_string(i) + ",Family" + family + ",7" +
                std::string(1, static_cast<char>('A' + i % 6)) + ",Mr and Mrs Family" + family +
                ",\"" + family + " High Street\"\n";
    }
    return text;
}

template <typename Run>
void ImportFile(benchmark::State& state, const std::string& text, Run makeRun) {
    TempFolder folder("qm-import-bench");
    const std::string path = folder.Write("families", text);
    UCStringError quiet;
    unsigned pupils = 0;
    for (auto _ : state) {
        auto event = std::make_shared<Event>();
        MultiDaySchedule schedule(event);
        StdioFile file(path.c_str(), "rb");
        auto run = makeRun();
        run->SetTarget(&schedule);
        run->SetInput(&file);
        if (RunImport(*run) != ImportOutcome::Finished) {
            state.SkipWithError(quiet.GetText().c_str());
            return;
        }
        pupils = static_cast<unsigned>(event->GetParents().GetPupilCount() +
                                       static_cast<int>(event->GetTeachers().Count()));
    }
    state.counters["people"] = pupils;
    state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_ImportFamiliesFromCSV(benchmark::State& state) {
    const std::string text = CSVText(School(static_cast<int>(state.range(0))));
    ImportFile(state, text, [] {
        ImporterCSV importer(true);
        importer.SetDefinition(
            "IgnoreFirstLine,Forename,Surname,Form / Tutor Group,Parent's Name,"
            "Email Address (primary),Address Line 1");
        return std::make_unique<CSVImportRun>(importer);
    });
}
BENCHMARK(BM_ImportFamiliesFromCSV)
    ->Arg(375)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond);

void BM_ImportFamiliesFromXML(benchmark::State& state) {
    const std::string text = XMLText(School(static_cast<int>(state.range(0))));
    ImportFile(state, text, [] { return std::make_unique<XMLPupilsImportRun>(); });
}
BENCHMARK(BM_ImportFamiliesFromXML)
    ->Arg(375)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond);

void BM_ImportTeachersFromCSV(benchmark::State& state) {
    ImportFile(state, TeacherCSVText(static_cast<int>(state.range(0))), [] {
        ImporterCSV importer(false);
        importer.SetDefinition("Full Name,Initials,Location,Subject");
        return std::make_unique<CSVImportRun>(importer);
    });
}
BENCHMARK(BM_ImportTeachersFromCSV)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

void BM_ImportTeachersFromTextList(benchmark::State& state) {
    ImportFile(state, TeacherListText(static_cast<int>(state.range(0))),
               [] { return std::make_unique<TextTeachersImportRun>(); });
}
BENCHMARK(BM_ImportTeachersFromTextList)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

void BM_ImportPupilsFromCSV(benchmark::State& state) {
    ImportFile(state, PupilCSVText(static_cast<int>(state.range(0))), [] {
        ImporterCSV importer(true);
        importer.SetDefinition("Forename,Surname,Form / Tutor Group,Parent's Name,Address Line 1");
        return std::make_unique<CSVImportRun>(importer);
    });
}
BENCHMARK(BM_ImportPupilsFromCSV)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// The accepted preview's families joining an event that already holds as many: newcomers,
// and then the school's own families again (every child found in the event and refused).
void MoveImportedFamilies(benchmark::State& state, const std::string& surnameSuffix,
                          bool newcomers) {
    const int families = static_cast<int>(state.range(0));
    const std::string text = XMLText(School(families), surnameSuffix);
    TempFolder folder("qm-import-bench");
    const std::string path = folder.Write("families", text);
    UCStringError quiet;
    for (auto _ : state) {
        state.PauseTiming();
        GeneratedSchool school = School(families);
        auto preview = std::make_shared<Event>();
        MultiDaySchedule previewSchedule(preview);
        StdioFile file(path.c_str(), "rb");
        XMLPupilsImportRun run;
        run.SetTarget(&previewSchedule);
        run.SetInput(&file);
        const bool imported = RunImport(run) == ImportOutcome::Finished;
        const int pupils = preview->GetParents().GetPupilCount();
        MultiDaySchedule target(school.event);
        state.ResumeTiming();
        const MovedPeople moved = MoveImportedPeople(*preview, target, PeopleImport::Pupils);
        if (!imported || moved.added + moved.refused != pupils ||
            (newcomers ? moved.refused : moved.added) != 0) {
            state.SkipWithError("the families did not move as they should");
            return;
        }
        state.counters["pupils"] = pupils;
    }
}

void BM_MoveImportedFamilies(benchmark::State& state) {
    MoveImportedFamilies(state, "-Hall", true);
}
BENCHMARK(BM_MoveImportedFamilies)->Arg(750)->Arg(1500)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_MoveImportedFamiliesHeldAlready(benchmark::State& state) {
    MoveImportedFamilies(state, "", false);
}
BENCHMARK(BM_MoveImportedFamiliesHeldAlready)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond);

// A request list naming each pupil and teacher in full, a line for each of the school's
// requests, into the school it came from (so every line is a duplicate after the first run).
void BM_ImportRequestList(benchmark::State& state) {
    SchoolSize size = SchoolSize::Large();
    const double share = static_cast<double>(state.range(0)) / size.parents;
    size.parents = static_cast<int>(state.range(0));
    size.pupils = static_cast<int>(size.pupils * share);
    size.requests = static_cast<int>(size.requests * share);
    GeneratedSchool school = GenerateSchool(size, 11);
    std::string text;
    for (const AppointmentRequest* request : school.AllRequests()) {
        text += "\"" + request->GetPupil()->GetName() + "\",\"" + request->GetTeacher()->GetName() +
                "\"\n";
    }
    TempFolder folder("qm-import-bench");
    const std::string path = folder.Write("requests", text);
    ImporterPTCSVMapping mapping;
    mapping.Parse("Pupil's Full Name,Teacher's Full Name");
    MultiDaySchedule schedule(school.event);
    for (auto _ : state) {
        StdioFile file(path.c_str(), "rb");
        ImporterPTCSV run(mapping, ImporterPTCSV::RequestList);
        run.SetTarget(&schedule);
        run.SetInput(&file);
        if (RunImport(run) != ImportOutcome::Finished) {
            state.SkipWithError("the request list did not import");
            return;
        }
    }
    state.counters["lines"] = static_cast<double>(school.AllRequests().size());
}
BENCHMARK(BM_ImportRequestList)->Arg(750)->Arg(1500)->Arg(3000)->Unit(benchmark::kMillisecond);

}  // namespace
