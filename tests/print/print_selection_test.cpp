#include <gtest/gtest.h>

#include "print/print_selection.h"
#include "print_fixture.h"

namespace {

class Selection : public PrintFixture {
protected:
    // Who gets sheets, in order: "name day" for each sheet.
    static std::vector<std::string> Sheets(const std::vector<PrintSheet>& sheets) {
        std::vector<std::string> names;
        for (const PrintSheet& sheet : sheets) {
            const Person* person = sheet.teacher != nullptr
                                       ? static_cast<const Person*>(sheet.teacher)
                                       : static_cast<const Person*>(sheet.parent);
            names.push_back(person->GetName() + " " + sheet.day->GetDate().FormatLong());
        }
        return names;
    }
};

TEST(SelectionSettings, DefaultsPrintHandoutsAndParentOverviewsOnly) {
    const PrintSettings settings;
    EXPECT_TRUE(settings.GetTeachers());
    EXPECT_TRUE(settings.GetParents());
    EXPECT_TRUE(settings.GetParentOverviews());
    EXPECT_FALSE(settings.GetTeacherOverviews());
    EXPECT_FALSE(settings.GetPupils());
    EXPECT_EQ(settings.GetParentIndex(), -1);
    EXPECT_EQ(settings.GetTeacherIndex(), -1);
}

TEST_F(Selection, SheetsComePersonByPersonAndOnlyForDaysWithBookings) {
    Request(sam, ann, "", 1, 0);
    Request(amy, ann, "", 0, 1);
    Request(ben, bob, "", 1, 2);
    PrintSelection selection(&controller, PrintSettings());
    EXPECT_EQ(Sheets(selection.teacherSheets),
              (std::vector<std::string>{"Ann Smith 05 Mar 2024", "Ann Smith 06 Mar 2024",
                                        "Bob Brown 06 Mar 2024"}));
    EXPECT_EQ(Sheets(selection.parentSheets),
              (std::vector<std::string>{"Pat Jones 06 Mar 2024", "Chris Lee 05 Mar 2024",
                                        "Chris Lee 06 Mar 2024"}));
}

TEST_F(Selection, APresentationGivesASheetForEveryDayEvenWithoutRequests) {
    Presentation* talk = AddPresentation("Careers Talk", "Hall", 1, "19:00", "19:30");
    ASSERT_TRUE(schedule->AttendPresentation(pat, talk));
    ASSERT_TRUE(schedule->AttendPresentation(bob, talk));
    PrintSelection selection(&controller, PrintSettings());
    EXPECT_EQ(Sheets(selection.parentSheets),
              (std::vector<std::string>{"Pat Jones 05 Mar 2024", "Pat Jones 06 Mar 2024"}));
    EXPECT_EQ(Sheets(selection.teacherSheets),
              (std::vector<std::string>{"Bob Brown 05 Mar 2024", "Bob Brown 06 Mar 2024"}));
    // A parent with neither requests nor presentations is not chosen at all.
    EXPECT_EQ(selection.parents.Count(), 1U);
    EXPECT_EQ(selection.teachers.Count(), 2U);
}

TEST_F(Selection, AParentIndexPicksFromTheEventListWhateverThePrintOrder) {
    Parent* third = AddParent("Ada Zane", {"Zoe Zane"});
    Parent* fourth = AddParent("Bea Able", {"Yan Able"});
    const ParentList& all = event->GetParents();
    Parent* indexThree = all.Get(3);
    int slot = 0;
    for (Pupil* pupil : {sam, amy, third->GetPupil(0), fourth->GetPupil(0)}) {
        Request(pupil, ann, "", 0, slot++);
    }
    PrintSettings settings;
    settings.SetParentPrintOrder(ParentPrintByPupilName);
    settings.SelectSingleParent(3);
    PrintSelection selection(&controller, settings);
    ASSERT_EQ(selection.parents.Count(), 1U);
    EXPECT_EQ(selection.parents.Get(0), indexThree);
    EXPECT_TRUE(selection.teachers.Count() == 0 || !selection.GetSettings().GetTeachers());
}

TEST_F(Selection, ParentsAreSortedByThePrintOrder) {
    Parent* zane = AddParent("Ada Zane", {"Abe Adams"});
    Request(zane->GetPupil(0), bob, "", 0, 5);
    Request(sam, ann, "", 0, 1);
    Request(amy, ann, "", 0, 2);
    const struct {
        ParentPrintOrder order;
        std::vector<std::string> sheets;
    } cases[] = {
        {ParentPrintByName,
         {"Pat Jones 05 Mar 2024", "Chris Lee 05 Mar 2024", "Ada Zane 05 Mar 2024"}},
        {ParentPrintByPupilName,
         {"Ada Zane 05 Mar 2024", "Pat Jones 05 Mar 2024", "Chris Lee 05 Mar 2024"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        PrintSettings settings;
        settings.SetParentPrintOrder(c.order);
        PrintSelection selection(&controller, settings);
        EXPECT_EQ(Sheets(selection.parentSheets), c.sheets);
    }
}

TEST_F(Selection, AlreadySentPeopleAreLeftOutOnlyWhenAsked) {
    Request(sam, ann, "", 0, 1);
    Request(amy, bob, "", 0, 2);
    ann->SetEmailSent(EmailResults, true);
    pat->SetEmailSent(EmailResults, true);
    lee->SetEmailSent(EmailInvitation, true);
    PrintSettings settings;
    EXPECT_EQ(PrintSelection(&controller, settings).teacherSheets.size(), 2U);
    settings.SetIncludeAlreadySent(false);
    PrintSelection selection(&controller, settings);
    EXPECT_EQ(Sheets(selection.teacherSheets), std::vector<std::string>{"Bob Brown 05 Mar 2024"});
    EXPECT_EQ(Sheets(selection.parentSheets), std::vector<std::string>{"Chris Lee 05 Mar 2024"});
    EXPECT_EQ(selection.teachers.Count(), 1U);
}

TEST_F(Selection, SelectingOneTeacherNarrowsTheSettings) {
    PrintSettings settings;
    settings.SetIncludeAlreadySent(false);
    settings.SelectSingleTeacher(1);
    EXPECT_TRUE(settings.GetTeachers());
    EXPECT_FALSE(settings.GetParents() || settings.GetPupils() || settings.GetParentOverviews() ||
                 settings.GetTeacherOverviews());
    EXPECT_TRUE(settings.GetIncludeAlreadySent());
    Request(sam, ann, "", 0, 1);
    Request(amy, bob, "", 1, 2);
    PrintSelection selection(&controller, settings);
    EXPECT_EQ(Sheets(selection.teacherSheets), std::vector<std::string>{"Bob Brown 06 Mar 2024"});
}

TEST(SelectionWithoutEvent, IsEmpty) {
    QMController controller;
    PrintSelection selection(&controller, PrintSettings());
    EXPECT_TRUE(selection.teacherSheets.empty() && selection.parentSheets.empty());
}

}  // namespace
