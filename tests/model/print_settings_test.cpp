#include "model/print_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintSettings, DefaultsPrintHandoutsAndParentOverviewsOnly) {
    PrintSettings settings;
    EXPECT_TRUE(settings.GetTeachers());
    EXPECT_TRUE(settings.GetParents());
    EXPECT_FALSE(settings.GetPupils());
    EXPECT_FALSE(settings.GetTeacherOverviews());
    EXPECT_TRUE(settings.GetParentOverviews());
    EXPECT_EQ(-1, settings.GetParentIndex());
    EXPECT_EQ(-1, settings.GetTeacherIndex());
    EXPECT_DOUBLE_EQ(6.0, settings.GetSmallFontSize());
    EXPECT_TRUE(settings.GetQRCodes());
    EXPECT_EQ(ParentPrintByName, settings.GetParentPrintOrder());
    EXPECT_FALSE(settings.IsModified());
}

TEST(PrintSettings, SelectingOnePersonNarrowsEverySheetKind) {
    PrintSettings settings;
    settings.SetIncludeAlreadySent(false);
    settings.SetTeacherOverviews(true);
    settings.SelectSingleParent(3);
    EXPECT_EQ(3, settings.GetParentIndex());
    EXPECT_EQ(-1, settings.GetTeacherIndex());
    EXPECT_FALSE(settings.GetTeachers());
    EXPECT_TRUE(settings.GetParents());
    EXPECT_FALSE(settings.GetTeacherOverviews());
    EXPECT_FALSE(settings.GetParentOverviews());
    EXPECT_TRUE(settings.GetIncludeAlreadySent());

    settings.SelectSingleTeacher(2);
    EXPECT_EQ(2, settings.GetTeacherIndex());
    EXPECT_EQ(-1, settings.GetParentIndex());
    EXPECT_TRUE(settings.GetTeachers());
    EXPECT_FALSE(settings.GetParents());
    EXPECT_FALSE(settings.GetPupils());
}

}  // namespace
