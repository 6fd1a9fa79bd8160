#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/print_settings.h"
#include "print/print_layout.h"

namespace {

TEST(PrintLayout, SectionsCountTheirPagesInTheirOrder) {
    struct Case {
        const char* name;
        bool teachers, parents, onePerSheet, teacherOverviews, parentOverviews;
        int teacherSheets, parentSheets;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {"defaults", true, true, false, false, true, 10, 20, {10, 10, 2}},
        {"odd parents two a page", false, true, false, false, false, 0, 5, {3}},
        {"one parent a sheet", false, true, true, false, false, 0, 5, {5}},
        {"seventeen parent cells", false, false, false, false, true, 0, 17, {2}},
        {"teacher overviews", false, false, false, true, false, 9, 0, {3}},
        {"empty lists print no blank page", true, true, false, true, true, 0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintSettings settings;
        settings.SetTeachers(c.teachers);
        settings.SetParents(c.parents);
        settings.SetOneParentPerSheet(c.onePerSheet);
        settings.SetTeacherOverviews(c.teacherOverviews);
        settings.SetParentOverviews(c.parentOverviews);
        std::vector<int> pages;
        for (const SectionPages& section :
             PlanSections(settings, c.teacherSheets, c.parentSheets)) {
            pages.push_back(section.pages);
        }
        EXPECT_EQ(pages, c.pages);
    }
}

TEST(PrintLayout, RunPagesMapToTheirSectionAndPage) {
    const auto plan = PlanSections(PrintSettings(), 10, 20);
    EXPECT_EQ(TotalPages(plan), 22);
    struct Case {
        int page;
        bool found;
        PrintSection section;
        int sectionPage;
    };
    const Case cases[] = {
        {0, false, PrintSection::TeacherHandouts, 0},
        {1, true, PrintSection::TeacherHandouts, 1},
        {10, true, PrintSection::TeacherHandouts, 10},
        {11, true, PrintSection::ParentHandouts, 1},
        {20, true, PrintSection::ParentHandouts, 10},
        {21, true, PrintSection::ParentOverviews, 1},
        {22, true, PrintSection::ParentOverviews, 2},
        {23, false, PrintSection::TeacherHandouts, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        PrintSection section = PrintSection::TeacherHandouts;
        int sectionPage = 0;
        ASSERT_EQ(LocatePage(plan, c.page, &section, &sectionPage), c.found);
        if (c.found) {
            EXPECT_EQ(section, c.section);
            EXPECT_EQ(sectionPage, c.sectionPage);
        }
    }
}

TEST(PrintLayout, TwoAPageSheetsPutEvenIndexesOnTheLowerHalf) {
    // 2000 x 2800: margin 100, half height 1200.
    PageRect clip;
    EXPECT_EQ(HalfPageArea(2000, 2800, 0, &clip), (PageRect{100, 1400, 1900, 2600}));
    EXPECT_EQ(clip, (PageRect{100, 1400, 1900, 2700}));
    EXPECT_EQ(HalfPageArea(2000, 2800, 1, &clip), (PageRect{100, 100, 1900, 1300}));
    EXPECT_EQ(clip, (PageRect{100, 100, 1900, 1400}));
    EXPECT_EQ(HalfPageArea(2000, 2800, 4, nullptr), HalfPageArea(2000, 2800, 0, nullptr));
    EXPECT_EQ(HandoutArea(2000, 2800), (PageRect{100, 100, 1900, 2700}));
}

// A sheet too long for its half page goes on whole pages, in its place among the others.
TEST(PrintLayout, TwoAPageSheetsTooLongForAHalfTakeWholePagesInOrder) {
    using P = HalfPagePlan;
    struct Case {
        const char* name;
        std::vector<int> wholePages;
        std::vector<HalfPagePlan> pages;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"all fit", {0, 0, 0}, {P{.lower = 0, .upper = 1}, P{.lower = 2}}},
        {"a long one first",
         {2, 0, 0},
         {P{.whole = 0}, P{.whole = 0, .wholePage = 1}, P{.lower = 1, .upper = 2}}},
        {"a long one between halves",
         {0, 1, 0, 0},
         {P{.lower = 0}, P{.whole = 1}, P{.lower = 2, .upper = 3}}},
        {"two long ones",
         {0, 0, 1, 3},
         {P{.lower = 0, .upper = 1}, P{.whole = 2}, P{.whole = 3}, P{.whole = 3, .wholePage = 1},
          P{.whole = 3, .wholePage = 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PlanHalfPages(c.wholePages), c.pages);
    }
}

TEST(PrintLayout, OverviewCellsFillThePageRowByRowWithAGap) {
    // 2000 x 2800: margin 100, gap 10; 2 x 2 cells of 900 x 1300, 4 x 4 of 450 x 650.
    struct Case {
        int index, side;
        PageRect cell;
    };
    const Case cases[] = {
        {0, 2, {100, 100, 990, 1390}},  {1, 2, {1000, 100, 1890, 1390}},
        {2, 2, {100, 1400, 990, 2690}}, {7, 2, {1000, 1400, 1890, 2690}},
        {0, 4, {100, 100, 540, 740}},   {5, 4, {550, 750, 990, 1390}},
        {16, 4, {100, 100, 540, 740}},  {15, 4, {1450, 2050, 1890, 2690}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " of " + std::to_string(c.side));
        EXPECT_EQ(OverviewCell(2000, 2800, c.index, c.side, c.side), c.cell);
    }
}

TEST(PrintLayout, CellsTakeTheirShareOfTheLineTruncated) {
    EXPECT_EQ(CellEnd(100, 100, 1100, 30.0f), 400);
    EXPECT_EQ(CellEnd(250, 100, 1100, 33.3f), 582);
    // Turned lines run from the area's bottom up to its top.
    EXPECT_EQ(CellEnd(900, 900, 100, 25.0f), 700);
}

// Every character is 10 units wide.
int Measure(const std::string& text) {
    return 10 * static_cast<int>(text.size());
}

TEST(PrintLayout, LinesWrapAtWordsThatKeepTheirBlanks) {
    EXPECT_EQ(SplitWords("Teacher:  Smith"), (std::vector<std::string>{"Teacher: ", " ", "Smith"}));
    EXPECT_EQ(SplitWords("one"), (std::vector<std::string>{"one"}));
    EXPECT_EQ(SplitWords(""), (std::vector<std::string>{}));

    struct Case {
        const char* name;
        const char* line;
        int startAlong;
        int lineEnd;
        std::vector<std::tuple<std::string, int, int>> pieces;
        int endAlong, endAcross;
    };
    const Case cases[] = {
        {"fits whole", "ab cd", 0, 60, {{"ab cd", 0, 0}}, 50, 0},
        {"ending on the edge wraps", "ab cd", 0, 50, {{"ab ", 0, 0}, {"cd", 0, 20}}, 20, 20},
        {"words go to the next line",
         "Teacher:  Smith",
         0,
         100,
         {{"Teacher: ", 0, 0}, {" ", 0, 20}, {"Smith", 10, 20}},
         60,
         20},
        {"a word that does not fit after the pen starts the next line",
         "xx yy",
         30,
         60,
         {{"xx ", 0, 20}, {"yy", 30, 20}},
         50,
         20},
        {"continues from the pen", "xx yy", 30, 90, {{"xx yy", 30, 0}}, 80, 0},
        {"an overlong word stands alone",
         "a abcdefghij b",
         0,
         50,
         {{"a ", 0, 0}, {"abcdefghij ", 0, 20}, {"b", 0, 40}},
         10,
         40},
        {"empty", "", 0, 50, {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineCursor cursor{c.startAlong, 0};
        const auto pieces = WrapLine(
            c.line, cursor, 0, c.lineEnd, [](int across) { return across + 20; }, Measure);
        std::vector<std::tuple<std::string, int, int>> placed;
        for (const LinePiece& piece : pieces) {
            placed.emplace_back(piece.text, piece.along, piece.across);
        }
        EXPECT_EQ(placed, c.pieces);
        EXPECT_EQ(cursor.along, c.endAlong);
        EXPECT_EQ(cursor.across, c.endAcross);
    }
}

TEST(PrintLayout, LongSheetsBreakBetweenLinesOntoFurtherPages) {
    // An area from 100 to 400: bands of 300.
    const SheetBands bands(100, 300);
    struct Case {
        int y, lineHeight, next, band, onPage;
    };
    const Case cases[] = {
        {100, 20, 120, 0, 100},  // first line
        {360, 20, 380, 0, 360},  // the next line ends exactly at the band's end
        {370, 20, 400, 0, 370},  // would straddle: the next page
        {400, 20, 420, 1, 100},  // the second page starts at the area's top
        {690, 20, 700, 1, 390},  {50, 20, 70, 0, 50},  // above the area: the first page
        {100, 400, 500, 0, 100},                       // taller than a page: never skips a page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        EXPECT_EQ(bands.NextLine(c.y, c.lineHeight), c.next);
        EXPECT_EQ(bands.BandOf(c.y), c.band);
        EXPECT_EQ(bands.OnPage(c.y), c.onPage);
    }
}

TEST(PrintLayout, SectionPagesMapToSheetsThatTakeSeveralPages) {
    const std::vector<int> pages = {1, 3, 2};
    struct Case {
        int sectionPage;
        bool found;
        int sheet, sheetPage;
    };
    const Case cases[] = {{0, false, 0, 0}, {1, true, 0, 0}, {2, true, 1, 0}, {4, true, 1, 2},
                          {5, true, 2, 0},  {6, true, 2, 1}, {7, false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sectionPage);
        int sheet = -1;
        int sheetPage = -1;
        ASSERT_EQ(LocateSheetPage(pages, c.sectionPage, &sheet, &sheetPage), c.found);
        if (c.found) {
            EXPECT_EQ(sheet, c.sheet);
            EXPECT_EQ(sheetPage, c.sheetPage);
        }
    }
}

TEST(PrintLayout, FontsShrinkWithThePreviewPage) {
    EXPECT_DOUBLE_EQ(PageFontScale(600, 96, 7000, 7000), 6.25);
    EXPECT_DOUBLE_EQ(PageFontScale(600, 96, 3500, 7000), 3.125);
    EXPECT_DOUBLE_EQ(PageFontScale(600, 0, 3500, 7000), 1.0);
    EXPECT_EQ(ScaledPointSize(7.5, 1.0), 7);
    EXPECT_EQ(ScaledPointSize(16, 3.125), 50);
    EXPECT_EQ(ScaledPointSize(6, 0.1), 1);
}

// An event file may hold any small font size: no size may overflow on its way to a font.
TEST(PrintLayout, PointSizesStayWithinWhatAFontCanHold) {
    struct Case {
        double points;
        double scale;
        int expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case& c : {Case{1e300, 1.0, kMaxPointSize}, Case{inf, 1.0, kMaxPointSize},
                          Case{3e6, 1.0, kMaxPointSize}, Case{200000, 6.25, kMaxPointSize},
                          Case{160000, 6.25, kMaxPointSize}, Case{159999, 6.25, 999993},
                          Case{-inf, 1.0, 1}, Case{std::nan(""), 1.0, 1}, Case{-3, 1.0, 1}}) {
        SCOPED_TRACE(c.points);
        EXPECT_EQ(ScaledPointSize(c.points, c.scale), c.expected);
    }
}

}  // namespace
