#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/uc_error.h"
#include "model/form.h"
#include "model/presentation.h"
#include "model/pupil.h"

namespace {

TEST(Presentation, SetTimesRefusesAnEndNotAfterTheStartAndKeepsTheOldTimes) {
    UCStringError sink;
    Presentation talk("Careers Talk");
    ASSERT_TRUE(talk.SetTimes(TimeOfDay(19, 0, 0), TimeOfDay(19, 30, 0)));
    EXPECT_FALSE(talk.SetTimes(TimeOfDay(20, 0, 0), TimeOfDay(20, 0, 0)));
    EXPECT_EQ(
        "Error: Attempting to set invalid start and end times for presentation "
        "'Careers Talk'\n",
        sink.GetText());
    TimeOfDay start, end;
    talk.GetTimes(&start, &end);
    EXPECT_EQ(TimeOfDay(19, 0, 0), start);
    EXPECT_EQ(TimeOfDay(19, 30, 0), end);
}

TEST(Presentation, CoversFromItsStartUpToButNotIncludingItsEnd) {
    Presentation talk("Careers Talk", "Hall", Date(5, 3, 2024), "19:00", "7:30pm");
    EXPECT_FALSE(talk.Covers(Date(5, 3, 2024), TimeOfDay(18, 59, 59)));
    EXPECT_TRUE(talk.Covers(Date(5, 3, 2024), TimeOfDay(19, 0, 0)));
    EXPECT_TRUE(talk.Covers(Date(5, 3, 2024), TimeOfDay(19, 29, 59)));
    EXPECT_FALSE(talk.Covers(Date(5, 3, 2024), TimeOfDay(19, 30, 0)));
    EXPECT_FALSE(talk.Covers(Date(6, 3, 2024), TimeOfDay(19, 10, 0)));
}

TEST(Presentation, UnreadableTimeTextStaysAtMidnight) {
    Presentation talk("Talk", "", Date(5, 3, 2024), "nine", "19:30");
    EXPECT_EQ(TimeOfDay(), talk.GetStartTime());
    EXPECT_EQ(TimeOfDay(19, 30, 0), talk.GetEndTime());
}

TEST(Presentation, DescriptionNamesLocationOnlyWhenSet) {
    Presentation talk("Careers Talk", "Hall", Date(5, 3, 2024), "19:00", "19:30");
    EXPECT_EQ("Careers Talk (Hall), 7:00pm-7:30pm 05 Mar 2024", talk.GetDescription());
    talk.SetLocation("");
    EXPECT_EQ("Careers Talk, 7:00pm-7:30pm 05 Mar 2024", talk.GetDescription());
}

// The event's list: it keeps presentations unique by name and takes one only when it says so.
class PresentationListTest : public ::testing::Test {
protected:
    ~PresentationListTest() override { list.DeleteAll(); }

    // Adds and hands ownership to the list on success; a refused one is freed here.
    bool Add(std::unique_ptr<Presentation> presentation) {
        if (!list.Add(presentation.get())) {
            return false;
        }
        presentation.release();
        return true;
    }

    UCStringError sink;
    PresentationList list;
};

TEST_F(PresentationListTest, SameNameInAnotherCaseIsRefused) {
    ASSERT_TRUE(Add(std::make_unique<Presentation>("careers talk")));
    EXPECT_FALSE(Add(std::make_unique<Presentation>("Careers Talk")));
    EXPECT_EQ(
        "Error: Cannot insert the new presentation 'Careers Talk' because a presentation of "
        "the same name already exists\n",
        sink.GetText());
    EXPECT_EQ(1u, list.Count());
    EXPECT_EQ(list.GetPresentation(0), list.Find("CAREERS TALK"));
}

TEST_F(PresentationListTest, BackwardTimesAreInvalidOnlyOnAValidDate) {
    EXPECT_FALSE(
        Add(std::make_unique<Presentation>("Late", "", Date(5, 3, 2024), "19:00", "18:00")));
    EXPECT_EQ("Error: Cannot insert the new presentation 'Late' because it is invalid\n",
              sink.GetText());
    EXPECT_TRUE(Add(std::make_unique<Presentation>("Undated", "", Date(), "19:00", "18:00")));
    EXPECT_EQ("", sink.GetText());
}

TEST_F(PresentationListTest, NullIsRefusedSilentlyAndFindNeedsAName) {
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ("", sink.GetText());
    ASSERT_TRUE(Add(std::make_unique<Presentation>("Talk")));
    EXPECT_EQ(nullptr, list.Find(""));
    EXPECT_EQ(nullptr, list.Find("Talks"));
    EXPECT_EQ(nullptr, list.GetPresentation(1));
}

class FormListTest : public ::testing::Test {
protected:
    Pupil* MakePupil(const std::string& name, const std::string& form) {
        pupils.push_back(std::make_unique<Pupil>(name));
        pupils.back()->SetForm(form);
        return pupils.back().get();
    }

    std::vector<std::unique_ptr<Pupil>> pupils;
};

TEST_F(FormListTest, PupilsGatherByExactFormName) {
    FormList forms(4);
    forms.AddPupil(MakePupil("Amy Lee", "7B"));
    forms.AddPupil(MakePupil("Ben Fox", "8C"));
    forms.AddPupil(MakePupil("Cal Day", "7B"));
    forms.AddPupil(MakePupil("Dee Orr", "7B"));
    forms.AddPupil(MakePupil("Eve Ray", "7b"));
    forms.AddPupil(MakePupil("Fay Gil", ""));
    forms.AddPupil(nullptr);

    ASSERT_EQ(4u, forms.Count());
    EXPECT_EQ(3, forms.GetLargestFormSize());
    ASSERT_NE(nullptr, forms.Find("7B"));
    EXPECT_EQ(3u, forms.Find("7B")->GetPupils().Count());
    EXPECT_EQ(1u, forms.Find("7b")->GetPupils().Count());
    ASSERT_NE(nullptr, forms.Find(""));
    EXPECT_EQ("Fay Gil", forms.Find("")->GetPupils().At(0)->GetName());
    EXPECT_EQ(nullptr, forms.Find("9A"));
}

TEST_F(FormListTest, EmptyListHasNoLargestForm) {
    FormList forms;
    EXPECT_EQ(0, forms.GetLargestFormSize());
}

TEST_F(FormListTest, SortByNameOrdersFormsByteWise) {
    std::srand(7);
    FormList forms;
    for (const char* form : {"9B", "10A", "7C", "7A", "11", "8"}) {
        forms.AddPupil(MakePupil("Pupil of " + std::string(form), form));
    }
    forms.Sort(FormSortByName());
    std::vector<std::string> names;
    for (unsigned i = 0; i < forms.Count(); ++i) {
        names.push_back(forms.GetForm(i)->GetName());
    }
    EXPECT_EQ((std::vector<std::string>{"10A", "11", "7A", "7C", "8", "9B"}), names);
}

TEST(FormSortByName, OrdersFormsByNameAndAnythingElseByTheBaseRule) {
    Form a("7A"), b("7B"), sameAsA("7A");
    Presentation talk("Talk");
    FormSortByName order;
    EXPECT_EQ(-1, order.Compare(&a, &b));
    EXPECT_EQ(1, order.Compare(&b, &a));
    EXPECT_EQ(0, order.Compare(&a, &sameAsA));
    EXPECT_EQ(-1, order.Compare(nullptr, &a));
    EXPECT_EQ(1, order.Compare(&a, nullptr));
    // "Form" sorts before "Presentation" by class name, in either direction consistently.
    EXPECT_EQ(-1, order.Compare(&a, &talk));
    EXPECT_EQ(1, order.Compare(&talk, &a));
}

}  // namespace
