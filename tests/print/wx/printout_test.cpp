#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/dcmemory.h>
#include <wx/print.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/qm_script.h"
#include "app/script_run.h"
#include "comms/email_fixture.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"
#include "print/print_selection.h"
#include "print/qr_code_matrix.h"
#include "print/wx/print_renderer_wx.h"
#include "print/wx/qm_image_wx.h"
#include "printout_fixture.h"
#include "scripting/qm_lua_script.h"
#include "support/endless_script.h"
#include "support/temp_folder.h"

namespace {

class Printout : public PrintoutTest {
protected:
    // Settings that print only the given sections.
    static PrintSettings Only(bool teachers, bool parents, bool teacherOverviews,
                              bool parentOverviews) {
        PrintSettings settings;
        settings.SetTeachers(teachers);
        settings.SetParents(parents);
        settings.SetTeacherOverviews(teacherOverviews);
        settings.SetParentOverviews(parentOverviews);
        return settings;
    }
    // One family's handouts, a single sheet on a page of its own (a family with an e-mail
    // address when asked); no family chosen when none has one.
    static PrintSettings OneFamilyOnOneSheet(QMController& controller, bool withEmail) {
        PrintSettings settings = Only(false, true, false, false);
        settings.SetOneParentPerSheet(true);
        const ParentList& parents = controller.GetEvent()->GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            PrintSettings one = settings;
            one.SelectSingleParent(static_cast<int>(i));
            one.SetParents(true);
            if ((!withEmail || !parents.Get(i)->GetEmail().empty()) &&
                PrintSelection(&controller, one).parentSheets.size() == 1) {
                return one;
            }
        }
        return settings;
    }
    // The last page once the printout is laid out on a page of this size.
    static int LaidOutPages(QMPrintout& printout, int width = kPageWidth,
                            int height = kPageHeight) {
        {
            Page page(printout, width, height);
            printout.OnPreparePrinting();
            printout.SetDC(nullptr);
        }
        int minPage = 0, maxPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        return maxPage;
    }
    // Narrows the settings to the first parent with exactly one sheet, keeping the sections.
    void SelectParentWithOneSheet(PrintSettings& settings) {
        const ParentList& parents = controller_.GetEvent()->GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            PrintSettings one = settings;
            one.SelectSingleParent(static_cast<int>(i));
            one.SetParents(settings.GetParents());
            one.SetParentOverviews(settings.GetParentOverviews());
            if (QMPrintout(&controller_, one).GetSelection().parentSheets.size() == 1) {
                settings = one;
                return;
            }
        }
        FAIL() << "the example has no parent with a single sheet";
    }
};

TEST_F(Printout, PagesFollowTheSectionsAndEveryPageIsDrawn) {
    PrintSettings settings = Only(true, true, true, true);
    QMPrintout printout(&controller_, settings);
    const PrintSelection& selection = printout.GetSelection();
    const int teachers = static_cast<int>(selection.teacherSheets.size());
    const int parents = static_cast<int>(selection.parentSheets.size());
    ASSERT_GT(teachers, 0);
    ASSERT_GT(parents, 0);
    const int expected = teachers + (parents + 1) / 2 + (teachers + 3) / 4 + (parents + 15) / 16;
    int minPage = -1, maxPage = -1, from = -1, to = -1;
    printout.GetPageInfo(&minPage, &maxPage, &from, &to);
    EXPECT_EQ(std::vector<int>({minPage, maxPage, from, to}),
              std::vector<int>({1, expected, 1, expected}));
    EXPECT_FALSE(printout.HasPage(0));
    EXPECT_TRUE(printout.HasPage(expected));
    EXPECT_FALSE(printout.HasPage(expected + 1));

    printout.OnBeginPrinting();
    for (int page = 1; page <= expected; ++page) {
        SCOPED_TRACE(page);
        bool printed = false;
        EXPECT_GT(Ink(DrawPage(printout, page, &printed)), 0);
        EXPECT_TRUE(printed);
    }
    bool printed = true;
    EXPECT_EQ(Ink(DrawPage(printout, expected + 1, &printed)), 0);
    EXPECT_FALSE(printed);
    EXPECT_EQ(printout.GetPageFont(QMPrintout::BodyFont), nullptr);
}

TEST_F(Printout, ALongSheetGoesOnOverFurtherPagesWithoutLosingLines) {
    PrintSettings settings = Only(true, false, false, false);
    QMPrintout printout(&controller_, settings);
    const int sheets = static_cast<int>(printout.GetSelection().teacherSheets.size());
    // A page a quarter of the usual height: every teacher's day runs over.
    const int height = kPageHeight / 4;
    const int maxPage = LaidOutPages(printout, kPageWidth, height);
    EXPECT_GT(maxPage, sheets);
    const PageRect area = HandoutArea(kPageWidth, height);
    int inkTotal = 0;
    for (int number = 1; number <= maxPage; ++number) {
        SCOPED_TRACE(number);
        Page page(printout, kPageWidth, height);
        EXPECT_TRUE(printout.OnPrintPage(number));
        printout.SetDC(nullptr);
        const wxImage picture = page.Picture();
        const int ink = Ink(picture, area.left, area.top, area.right, area.bottom);
        EXPECT_GT(ink, 0);
        EXPECT_EQ(Ink(picture), ink);
        inkTotal += ink;
    }
    // The same sheets on a page tall enough hold as much text.
    QMPrintout tall(&controller_, settings);
    int tallInk = 0;
    for (int number = 1; number <= sheets; ++number) {
        Page page(tall, kPageWidth, 4 * kPageHeight);
        EXPECT_TRUE(tall.OnPrintPage(number));
        tall.SetDC(nullptr);
        tallInk += Ink(page.Picture());
    }
    EXPECT_NEAR(inkTotal, tallInk, tallInk / 50);
}

// A script host that notes what it was asked to draw, and draws that many lines; scripts named
// "broken" do not load.
class NotingScript : public QMScript {
public:
    NotingScript(QMController* controller, std::vector<std::string>* calls, int lines)
        : QMScript(controller), calls_(calls), lines_(lines) {}
    bool RunMain() override { return true; }
    bool DrawTeacherPage(Teacher* teacher, Schedule*) override {
        return Draw("teacher " + teacher->GetName());
    }
    bool DrawParentPage(Parent* parent, Schedule*) override {
        return Draw("parent " + parent->GetName());
    }
    bool Draw(const std::string& call) {
        calls_->push_back(call);
        for (int line = 0; line < lines_ && GetRenderer() != nullptr; ++line) {
            GetRenderer()->PrintText(call + ", line " + std::to_string(line));
        }
        return true;
    }
    bool RunTeacherEmail(EmailTextKind, Teacher*, Schedule*) override { return false; }
    bool RunParentEmail(EmailTextKind, Parent*, Schedule*) override { return false; }
    bool RunPupilEmail(EmailTextKind, Pupil*, Schedule*) override { return false; }
    bool HasTeacherEmail(EmailTextKind) override { return false; }
    bool HasParentEmail(EmailTextKind) override { return false; }
    bool HasPupilEmail(EmailTextKind) override { return false; }

private:
    std::vector<std::string>* calls_;
    int lines_;
};

class ScriptingController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        made.push_back(fileName);
        auto script = std::make_unique<NotingScript>(this, &calls, lines);
        script->loaded = fileName.find("broken") == std::string::npos;
        return script;
    }
    std::vector<std::string> made;
    std::vector<std::string> calls;
    int lines = 0;
};

class LuaController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        return QMLuaScript::Create(fileName, this);
    }
};

// A line an older script file holds in 8-bit text is drawn as the PDF, the e-mail and the report
// window read it: as Windows-1252, on paper and in the preview, whole or turned, in a line or a
// cell, with the family's name beside it.
TEST_F(Printout, AScriptsEightBitTextIsReadAsWindows1252) {
    const struct {
        const char* name;
        const char* draw;
        bool onePerSheet;
        bool preview;
    } cases[] = {
        {"a line, whole page", "qm_output(text)", true, false},
        {"a line, half page, previewed", "qm_output(text)", false, true},
        {"a cell, whole page, previewed", "qm_printcell(text, 100, false, true)", true, true},
        {"a cell, half page", "qm_printcell(text, 100, true, true)", false, false},
    };
    LuaController lua;
    lua.Initialise();
    ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent("scripted.qmv").c_str()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(lua.GetUserSettings().Set(
            "parentprintscript",
            folder_.Write("old.lua", std::string("function draw_parent_page(parent)\n"
                                                 "    local text = 'R\xE9union ' .. "
                                                 "qm_personname(parent)\n    ") +
                                         c.draw + "\n    return true\nend\n")));
        PrintSettings settings = Only(false, true, false, false);
        settings.SetOneParentPerSheet(c.onePerSheet);
        settings.SelectSingleParent(1);
        std::vector<DrawnText> drawn;
        auto* made = new RecordingPrintout(&lua, settings, &drawn);
        const HeldPrintout held(made, c.preview);
        ASSERT_GT(LaidOutPages(*made), 0);
        DrawPage(*made, 1);
        const std::string name = made->GetSelection().parentSheets.at(0).parent->GetName();
        std::string text;
        for (const DrawnText& piece : drawn) {
            text += piece.text + " ";
        }
        EXPECT_NE(text.find("R\xC3\xA9union"), std::string::npos) << text;
        EXPECT_NE(text.find(name.substr(0, name.find(' '))), std::string::npos) << text;
    }
}

// Print and Preview draw the same pages: a sheet's script that tries to optimise the event, which
// would replace the days the printout holds, is refused on the sheet, and every later sheet is
// drawn from the days as they were.
TEST_F(Printout, ASheetsScriptCannotReplaceTheDaysThePrintoutHolds) {
    LuaController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(CopyExampleEvent("scripted.qmv").c_str()));
    ASSERT_GE(controller.GetSchedule()->GetDayCount(), 2u);
    const Schedule* firstDay = controller.GetSchedule()->GetDay(0);
    controller.GetUserSettings().Set("teacherprintscript",
                                     folder_.Write("optimise.lua",
                                                   "function draw_teacher_page(teacher)\n"
                                                   "    qm_optimise(1, false)\n"
                                                   "    return true\n"
                                                   "end\n"));
    std::vector<DrawnText> drawn;
    RecordingPrintout printout(&controller, Only(true, false, false, false), &drawn);
    const int pages = LaidOutPages(printout);
    ASSERT_GE(pages, 2);
    for (int page = 1; page <= 2; ++page) {
        DrawPage(printout, page);
    }
    // The sheet draws word by word: the words are compared without their blanks.
    std::string text;
    for (const DrawnText& piece : drawn) {
        text += piece.text;
    }
    std::erase(text, ' ');
    EXPECT_NE(text.find("qm_optimiseisnotavailabletoaprintore-mailscript"), std::string::npos)
        << text;
    EXPECT_EQ(controller.GetSchedule()->GetDay(0), firstDay);
}

// The code and its scan line sit at the foot of a handout's first page; a sheet that runs on
// leaves them clear, and writes over nothing on its later pages either.
TEST_F(Printout, ALongHandoutsTextStaysClearOfItsQRCodeAndScanLine) {
    PrintSettings settings = Only(true, false, false, false);
    settings.SelectSingleTeacher(0);
    settings.SetTeachers(true);
    settings.SetQRCodes(true);
    std::string notes;
    for (int i = 1; i <= 80; ++i) {
        notes += "Note " + std::to_string(i) + ": the hall doors open at six.\n";
    }
    settings.SetTeacherNotes(notes);
    std::vector<DrawnText> drawn;
    RecordingPrintout printout(&controller_, settings, &drawn);
    ASSERT_GE(LaidOutPages(printout), 2);
    const PageRect area = HandoutArea(kPageWidth, kPageHeight);
    const std::string scan = "Scan this code with your phone to add this event to your calendar:";
    drawn.clear();
    DrawPage(printout, 1);
    int scanLines = 0;
    int lowest = 0;
    for (const DrawnText& piece : drawn) {
        if (piece.text == scan) {
            ++scanLines;
        } else {
            lowest = std::max(lowest, piece.y + piece.lineHeight);
        }
    }
    EXPECT_EQ(scanLines, 1);
    EXPECT_LE(lowest, area.bottom - area.Width() / 8);
    EXPECT_GT(lowest, area.bottom - area.Width() / 4);
    drawn.clear();
    DrawPage(printout, 2);
    for (const DrawnText& piece : drawn) {
        EXPECT_LE(piece.y + piece.lineHeight, area.bottom) << piece.text;
    }
}

TEST_F(Printout, SheetsAreDrawnByThePrintScriptsOfTheUserSettings) {
    ScriptingController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(CopyExampleEvent("scripted.qmv").c_str()));
    controller.GetUserSettings().Set("teacherprintscript", "/scripts/teacher.lua");
    controller.GetUserSettings().Set("parentprintscript", "/scripts/broken.lua");
    QMPrintout printout(&controller, Only(true, true, false, false));
    EXPECT_EQ(controller.made,
              (std::vector<std::string>{"/scripts/broken.lua", "/scripts/teacher.lua"}));
    const PrintSelection& selection = printout.GetSelection();
    DrawPage(printout, 1);
    const int firstParentPage = static_cast<int>(selection.teacherSheets.size()) + 1;
    DrawPage(printout, firstParentPage);
    // The teacher's sheet is the script's; the parents' have the built-in body.
    EXPECT_EQ(controller.calls,
              std::vector<std::string>{"teacher " + selection.teacherSheets[0].teacher->GetName()});
    // The copy a preview prints from loads them once it is laid out, and once.
    controller.made.clear();
    QMPrintout later(&controller, Only(true, true, false, false),
                     QMPrintout::ScriptLoad::WhenLaidOut);
    EXPECT_TRUE(controller.made.empty());
    for (int layout = 0; layout < 2; ++layout) {
        LaidOutPages(later);
    }
    EXPECT_EQ(controller.made,
              (std::vector<std::string>{"/scripts/broken.lua", "/scripts/teacher.lua"}));
}

// A sheet's script may write a file or count: one printout, on paper or in a preview however
// often its pages are shown, runs the script of each sheet it prints once, and of no other.
// Measuring (whole pages, a half page that overflows), printing and the overview cells draw what
// that one run drew.
TEST_F(Printout, EachPrintedSheetsScriptRunsOnceAPrintout) {
    enum Who { Everyone, OneFamily, OneTeacher };
    const struct {
        const char* name;
        PrintSettings settings;
        Who who;
        bool onePerSheet;
        int lines;  // the script draws: 80 overflow a half page and run over two pages
        bool preview;
    } cases[] = {
        {"everything two a page", Only(true, true, true, true), Everyone, false, 0, false},
        {"everything one a page, previewed", Only(true, true, true, true), Everyone, true, 0, true},
        {"long sheets two a page", Only(true, true, false, false), Everyone, false, 80, false},
        {"long sheets one a page, previewed", Only(true, true, false, false), Everyone, true, 80,
         true},
        {"parents only", Only(false, true, false, false), Everyone, false, 0, true},
        {"overviews only", Only(false, false, true, true), Everyone, false, 0, false},
        {"one family", PrintSettings(), OneFamily, false, 0, true},
        {"one family, long", PrintSettings(), OneFamily, false, 80, false},
        {"one teacher", PrintSettings(), OneTeacher, false, 80, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptingController lua;
        lua.Initialise();
        ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent("scripted.qmv").c_str()));
        lua.GetUserSettings().Set("teacherprintscript", "/scripts/teacher.lua");
        lua.GetUserSettings().Set("parentprintscript", "/scripts/parent.lua");
        lua.lines = c.lines;
        PrintSettings settings = c.settings;
        if (c.who == OneFamily) {
            settings.SelectSingleParent(1);
        } else if (c.who == OneTeacher) {
            settings.SelectSingleTeacher(1);
        }
        settings.SetOneParentPerSheet(c.onePerSheet);
        std::vector<DrawnText> drawn;
        auto* made = new RecordingPrintout(&lua, settings, &drawn);
        const HeldPrintout held(made, c.preview);
        const int pages = LaidOutPages(*made);
        ASSERT_GT(pages, 0);
        std::vector<std::vector<DrawnText>> shown;
        for (int time = 0; time < (c.preview ? 2 : 1); ++time) {
            drawn.clear();
            for (int page = 1; page <= pages; ++page) {
                DrawPage(*made, page);
            }
            shown.push_back(drawn);
        }
        std::multiset<std::string> expected;
        const PrintSelection& selection = made->GetSelection();
        for (const PrintSheet& sheet : selection.teacherSheets) {
            expected.insert("teacher " + sheet.teacher->GetName());
        }
        for (const PrintSheet& sheet : selection.parentSheets) {
            expected.insert("parent " + sheet.parent->GetName());
        }
        EXPECT_EQ(std::multiset<std::string>(lua.calls.begin(), lua.calls.end()), expected);
        EXPECT_EQ(selection.teacherSheets.empty(),
                  !settings.GetTeachers() && !settings.GetTeacherOverviews());
        EXPECT_EQ(selection.parentSheets.empty(),
                  !settings.GetParents() && !settings.GetParentOverviews());
        // Every line the script drew is on a page, each time the pages are shown.
        for (const std::vector<DrawnText>& pieces : shown) {
            std::multiset<std::string> lines;
            for (const DrawnText& piece : pieces) {
                if (piece.text.find(", line ") != std::string::npos) {
                    lines.insert(piece.text);
                }
            }
            EXPECT_EQ(lines.size(), expected.size() * c.lines);
            EXPECT_EQ(pieces.size(), shown.front().size());
        }
    }
}

TEST_F(Printout, WithoutAnEventThereIsNothingToPrint) {
    QMController empty;
    QMPrintout printout(&empty, PrintSettings());
    int minPage = -1, maxPage = -1, from = -1, to = -1;
    printout.GetPageInfo(&minPage, &maxPage, &from, &to);
    EXPECT_EQ(std::vector<int>({minPage, maxPage, from, to}), std::vector<int>({0, 0, 0, 0}));
    EXPECT_FALSE(printout.HasPage(1));
    printout.OnBeginPrinting();
    bool printed = true;
    EXPECT_EQ(Ink(DrawPage(printout, 1, &printed)), 0);
    EXPECT_FALSE(printed);
}

TEST_F(Printout, ALoneParentSheetTwoAPageTakesTheLowerHalf) {
    PrintSettings settings = Only(false, true, false, false);
    SelectParentWithOneSheet(settings);
    QMPrintout printout(&controller_, settings);
    ASSERT_EQ(printout.GetPlan().at(0).pages, 1);
    const wxImage page = DrawPage(printout, 1);
    EXPECT_EQ(Ink(page, 0, 0, kPageWidth, kPageHeight / 2), 0);
    EXPECT_GT(Ink(page, 0, kPageHeight / 2, kPageWidth, kPageHeight), 0);
    // Turned text: the sheet's lines start at the half's bottom and run up.
    const PageRect ink = InkBox(page);
    EXPECT_GT(ink.Height(), ink.Width() / 4);

    settings.SetOneParentPerSheet(true);
    QMPrintout whole(&controller_, settings);
    EXPECT_GT(Ink(DrawPage(whole, 1), 0, 0, kPageWidth, kPageHeight / 4), 0);
}

// The turned half page has a fixed length: a family whose sheet runs past it gets whole pages,
// as whole-page sheets do, in its place among the others; every line lies inside its page.
TEST_F(Printout, ASheetTooLongForItsHalfPageGoesOnWholePagesAndLosesNoLine) {
    PrintSettings settings = Only(false, true, false, false);
    settings.SetOneParentPerSheet(false);
    Parent* family = controller_.GetEvent()->GetParents().Get(1);
    std::string notes;
    for (int i = 1; i <= 60; ++i) {
        notes += "Note line " + std::to_string(i) + "\n";
    }
    family->SetNotes(notes);
    std::vector<DrawnText> drawn;
    RecordingPrintout printout(&controller_, settings, &drawn);
    const int sheets = static_cast<int>(printout.GetSelection().parentSheets.size());
    ASSERT_GT(sheets, 2);
    const int pages = LaidOutPages(printout);
    EXPECT_GT(pages, (sheets + 1) / 2);
    const int margin = PageMargin(kPageWidth);
    std::set<std::string> texts;
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        drawn.clear();
        bool printed = false;
        EXPECT_GT(Ink(DrawPage(printout, page, &printed)), 0);
        EXPECT_TRUE(printed);
        for (const DrawnText& text : drawn) {
            SCOPED_TRACE(text.text);
            texts.insert(text.text);
            if (text.angle != 0) {
                EXPECT_LE(text.x + text.lineHeight, kPageWidth - margin);
            } else {
                EXPECT_LE(text.y + text.lineHeight, kPageHeight - margin);
            }
        }
    }
    for (int i = 1; i <= 60; ++i) {
        EXPECT_EQ(texts.count("Note line " + std::to_string(i)), 1u) << i;
    }
    // Every family's name heads its sheet.
    for (const PrintSheet& sheet : printout.GetSelection().parentSheets) {
        EXPECT_EQ(texts.count("Schedule for " + sheet.parent->GetName()), 1u)
            << sheet.parent->GetName();
    }
}

TEST_F(Printout, AnOverviewPageFillsItsCellsFromTheTopLeft) {
    PrintSettings settings = Only(false, false, false, true);
    SelectParentWithOneSheet(settings);
    QMPrintout printout(&controller_, settings);
    const wxImage page = DrawPage(printout, 1);
    const PageRect cell = OverviewCell(kPageWidth, kPageHeight, 0, 4, 4);
    EXPECT_GT(Ink(page, cell.left, cell.top, cell.right, cell.bottom), 0);
    EXPECT_EQ(Ink(page) - Ink(page, cell.left, cell.top, cell.right, cell.bottom), 0);
}

// An overview cell cannot go on to another page: what does not fit is left out, no line is
// sliced by the cell's edge, and an ellipsis at the end of its last line says so.
TEST_F(Printout, TextCutByAnOverviewCellEndsInAnEllipsisAndNoLineIsSliced) {
    PrintSettings settings = Only(false, false, false, true);
    std::string notes;
    for (int i = 1; i <= 60; ++i) {
        notes += "Notes line " + std::to_string(i) + "\n";
    }
    settings.SetParentNotes(notes);
    std::vector<DrawnText> drawn;
    RecordingPrintout printout(&controller_, settings, &drawn);
    const int sheets = static_cast<int>(printout.GetSelection().parentSheets.size());
    ASSERT_GT(sheets, 1);
    const PageRect first = OverviewCell(kPageWidth, kPageHeight, 0, 4, 4);
    DrawPage(printout, 1);
    int ellipses = 0;
    for (const DrawnText& piece : drawn) {
        ellipses += piece.text == "\xE2\x80\xA6";
        if (piece.x >= first.left && piece.x < first.right && piece.y < first.bottom) {
            EXPECT_LE(piece.y + piece.lineHeight, first.bottom) << piece.text;
        }
    }
    EXPECT_EQ(ellipses, std::min(sheets, 16));
    auto notesDrawn = std::count_if(drawn.begin(), drawn.end(), [](const DrawnText& piece) {
        return piece.text == "Notes line 60";
    });
    EXPECT_EQ(notesDrawn, 0);

    // The larger cells of the teacher overview hold a sheet whole: no ellipsis.
    PrintSettings teachers = Only(false, false, true, false);
    teachers.SetTeacherNotes("Short notes");
    drawn.clear();
    RecordingPrintout fitting(&controller_, teachers, &drawn);
    DrawPage(fitting, 1);
    EXPECT_GT(drawn.size(), 20u);
    for (const DrawnText& piece : drawn) {
        EXPECT_NE(piece.text, "\xE2\x80\xA6");
    }
}

// A calendar type of neither kind, or an entry too long for a symbol, leaves out the code and
// the line that asks to scan it.
TEST_F(Printout, QRCodesAppearOnHandoutsButNeverInOverviewCells) {
    struct Case {
        const char* name;
        PrintSettings settings;
        int calendarType;
        bool longSchoolName;
        bool differs;
    };
    PrintSettings handouts = Only(true, false, false, false);
    PrintSettings overviews = Only(false, false, true, false);
    const std::string school = controller_.GetEvent()->GetSchoolName();
    for (auto [name, settings, calendarType, longSchoolName, differs] :
         {Case{"handout", handouts, 0, false, true}, Case{"overview", overviews, 0, false, false},
          Case{"handout, neither calendar type", handouts, 2, false, false},
          Case{"handout, an entry too long for a code", handouts, 0, true, false}}) {
        SCOPED_TRACE(name);
        controller_.GetUserSettings().SetICalendarType(calendarType);
        controller_.GetEvent()->SetSchoolName(longSchoolName ? std::string(900, 'S') : school);
        settings.SetQRCodes(true);
        QMPrintout with(&controller_, settings);
        settings.SetQRCodes(false);
        QMPrintout without(&controller_, settings);
        const wxImage a = DrawPage(with, 1);
        const wxImage b = DrawPage(without, 1);
        EXPECT_EQ(memcmp(a.GetData(), b.GetData(), 3 * kPageWidth * kPageHeight) != 0, differs);
    }
}

TEST_F(Printout, FontsFollowTheSettingsAndThePageScale) {
    PrintSettings settings;
    settings.SetSmallFontSize(7.5);
    for (bool sans : {false, true}) {
        SCOPED_TRACE(sans);
        settings.SetUseSansSerif(sans);
        QMPrintout printout(&controller_, settings);
        printout.MakePageFonts(1.0);
        const int sizes[] = {16, 12, 10, 7, 7, 6};
        for (int kind = 0; kind < QMPrintout::kPageFontCount; ++kind) {
            const wxFont* font = printout.GetPageFont(QMPrintout::PageFont(kind));
            EXPECT_EQ(font->GetFamily(), sans ? wxFONTFAMILY_SWISS : wxFONTFAMILY_ROMAN);
            EXPECT_EQ(font->GetPointSize(), sizes[kind]);
            const bool bold =
                kind == QMPrintout::HeadingFont || kind == QMPrintout::OverviewHeadingFont;
            EXPECT_EQ(font->GetWeight(), bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
        }
        printout.MakePageFonts(0.5);
        EXPECT_EQ(printout.GetPageFont(QMPrintout::HeadingFont)->GetPointSize(), 8);
        printout.FreePageFonts();
    }
}

// The drawing operations on one sheet of a plain page.
class SheetDrawing : public PrintoutTest {
protected:
    SheetDrawing() : printout_(&controller_, PrintSettings()), page_(printout_, 1000, 1000) {
        printout_.MakePageFonts(1.0);
    }
    ~SheetDrawing() override { printout_.SetDC(nullptr); }
    void Start(const PageRect& area, bool turned = false) {
        printout_.StartSheet(area, area, turned, printout_.GetPageFont(QMPrintout::HeadingFont),
                             printout_.GetPageFont(QMPrintout::BodyFont));
    }
    bool NormalFontSelected() {
        return page_.dc.GetFont() == *printout_.GetPageFont(QMPrintout::BodyFont);
    }
    int LineHeight() { return page_.dc.GetCharHeight(); }

    QMPrintout printout_;
    Page page_;
};

TEST_F(SheetDrawing, TextAndCellsMoveThePen) {
    Start({0, 0, 1000, 1000});
    PrintRendererWX renderer(&printout_);
    EXPECT_TRUE(renderer.IsOK());
    renderer.PrintCell("Name", CellStyle::Bold, CellAdvance::Beside, 30.0f);
    EXPECT_EQ(printout_.GetPen(), wxPoint(300, 0));
    EXPECT_TRUE(NormalFontSelected());
    const int width = page_.dc.GetTextExtent("after the cell").GetWidth();
    renderer.PrintText("after the cell");
    EXPECT_EQ(printout_.GetPen(), wxPoint(0, LineHeight()));
    renderer.PrintCell("row end", CellStyle::Normal, CellAdvance::EndRow, 50.0f);
    EXPECT_EQ(printout_.GetPen(), wxPoint(0, 2 * LineHeight()));
    renderer.PrintBoldText("bold");
    EXPECT_TRUE(NormalFontSelected());
    const wxPoint before = printout_.GetPen();
    renderer.PrintFooter("footer");
    EXPECT_EQ(printout_.GetPen(), before);
    EXPECT_TRUE(NormalFontSelected());
    renderer.PrintText("");
    EXPECT_EQ(printout_.GetPen(), before);
    renderer.PrintText("\n");
    EXPECT_EQ(printout_.GetPen().y, before.y + LineHeight());
    EXPECT_GT(width, 0);
    const int lineHeight = LineHeight();
    const wxImage picture = page_.Picture();
    // The text after the cell starts at the cell's end.
    EXPECT_GT(Ink(picture, 300, 0, 300 + width, lineHeight), 0);
    EXPECT_EQ(Ink(picture, 300 + width + 2, 0, 1000, lineHeight), 0);
}

TEST_F(SheetDrawing, TurnedTextRunsUpFromTheAreaBottom) {
    Start({100, 100, 900, 900}, true);
    EXPECT_EQ(printout_.GetPen(), wxPoint(100, 900));
    printout_.PrintCell("cell", CellStyle::Normal, CellAdvance::Beside, 25.0f);
    EXPECT_EQ(printout_.GetPen(), wxPoint(100, 700));
    printout_.PrintText("text");
    EXPECT_EQ(printout_.GetPen(), wxPoint(100 + LineHeight(), 900));
    const PageRect ink = InkBox(page_.Picture());
    EXPECT_GE(ink.left, 100);
    EXPECT_LE(ink.bottom, 900);
    EXPECT_GT(ink.Height(), ink.Width());
}

TEST_F(SheetDrawing, ACellsClipGivesBackTheSheetsClip) {
    Start({200, 200, 400, 400});
    printout_.PrintCell("WWWWWWWWWWWWWWWWWWWW", CellStyle::Normal, CellAdvance::Beside, 10.0f);
    // Longer than the whole line: the sheet's clip still cuts it.
    printout_.PrintText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    const PageRect ink = InkBox(page_.Picture());
    EXPECT_GE(ink.left, 200);
    EXPECT_LE(ink.right, 400);
    EXPECT_GT(ink.right, 350);
}

TEST_F(SheetDrawing, ImagesTakeAnEighthOfTheWidthInTheirCorner) {
    struct Case {
        const char* name;
        int width, height, corner;
        bool turned;
        PageRect drawn;
    };
    const Case cases[] = {
        {"square top", 25, 25, 0, false, {800, 100, 900, 200}},
        {"wide top", 50, 25, 0, false, {800, 100, 900, 150}},
        {"square bottom", 25, 25, 1, false, {800, 800, 900, 900}},
        {"turned top", 50, 25, 0, true, {100, 100, 150, 200}},
        {"turned bottom", 50, 25, 1, true, {850, 100, 900, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page(printout_, 1000, 1000);
        Start({100, 100, 900, 900}, c.turned);
        QMImageWX empty;
        printout_.PrintImage(&empty, c.corner);
        printout_.PrintImage(nullptr, c.corner);
        const std::string file = folder_.Path() + "/black.png";
        ASSERT_TRUE(wxImage(c.width, c.height, true).SaveFile(file, wxBITMAP_TYPE_PNG));
        QMImageWX black;
        ASSERT_TRUE(black.LoadFile(file));
        printout_.PrintImage(&black, c.corner);
        printout_.PrintImage(&black, 2);
        EXPECT_EQ(InkBox(page.Picture()), c.drawn);
    }
}

TEST_F(SheetDrawing, SeparatorsMakeRoomForTheLogo) {
    const std::string logo = folder_.Path() + "/logo.png";
    ASSERT_TRUE(wxImage(16, 16, true).SaveFile(logo, wxBITMAP_TYPE_PNG));
    controller_.GetEvent()->GetPrintSettings().SetLogoFile(logo);
    QMPrintout withLogo(&controller_, PrintSettings());
    withLogo.OnBeginPrinting();
    ASSERT_TRUE(withLogo.HasLogo());
    for (QMPrintout* printout : {&withLogo, &printout_}) {
        SCOPED_TRACE(printout == &withLogo ? "logo" : "no logo");
        Page page(*printout, 1000, 1000);
        printout->MakePageFonts(1.0);
        printout->StartSheet({0, 0, 800, 1000}, {0, 0, 800, 1000}, false,
                             printout->GetPageFont(QMPrintout::HeadingFont),
                             printout->GetPageFont(QMPrintout::BodyFont));
        const int half = printout->GetBoldLineHeight() / 2;
        printout->PrintSeparator();
        EXPECT_EQ(printout->GetPen().y, 2 * half + printout->GetBoldLineHeight() % 2);
        // Move below the logo's box, an eighth of the width high.
        while (printout->GetPen().y + half <= 100) {
            printout->PrintText("\n");
        }
        const int lowY = printout->GetPen().y + half;
        printout->PrintSeparator();
        const wxImage picture = page.Picture();
        const int topRight = printout == &withLogo ? 800 - 100 - half : 800;
        // A line's last pixel may be drawn or not.
        const PageRect top = InkBox(picture.GetSubImage({0, half, 1000, 1}));
        EXPECT_EQ(top.left, 0);
        EXPECT_NEAR(top.right, topRight, 1);
        const PageRect low = InkBox(picture.GetSubImage({0, lowY, 1000, 1}));
        EXPECT_EQ(low.left, 0);
        EXPECT_NEAR(low.right, 800, 1);
        printout->SetDC(nullptr);
    }
}

TEST_F(Printout, ScreenImagesComeFromQRSymbolsAndImageFiles) {
    QRCodeMatrix symbol;
    ASSERT_TRUE(symbol.Encode("BEGIN:VCALENDAR"));
    QMImageWX image;
    image.CreateFromQRCode(symbol);
    const int width = symbol.GetWidth();
    ASSERT_EQ(image.GetImage().GetSize(), wxSize(width, width));
    int mismatches = 0;
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char expected = symbol.IsDark(x, y) ? 0 : 255;
            const wxImage& pixels = image.GetImage();
            mismatches += pixels.GetRed(x, y) != expected || pixels.GetGreen(x, y) != expected ||
                          pixels.GetBlue(x, y) != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    QRCodeMatrix empty;
    QMImageWX blank;
    blank.CreateFromQRCode(empty);
    EXPECT_FALSE(blank.GetImage().IsOk());

    // Any registered handler reads the file, whatever its name says.
    const std::string named = folder_.Path() + "/Schöne Logo.picture";
    ASSERT_TRUE(wxImage(4, 3, true).SaveFile(wxString::FromUTF8(named), wxBITMAP_TYPE_PNG));
    QMImageWX logo;
    EXPECT_TRUE(logo.LoadFile(named));
    EXPECT_EQ(logo.GetImage().GetSize(), wxSize(4, 3));
    const std::string junk = folder_.Write("junk.png", "not a picture");
    // A FIFO would wait for a writer for ever.
    const std::string fifo = folder_.Path() + "/pipe.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& bad :
         {junk, folder_.Path() + "/missing.png", std::string(), fifo, folder_.Path()}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(logo.LoadFile(bad));
        EXPECT_FALSE(logo.GetImage().IsOk());
    }
}

}  // namespace

namespace {

// The window's controller as far as printing goes: its print scripts run in the Lua host, and
// its Stop is pressed once a road has run for a moment.
class LuaPrintController : public QMController {
public:
    LuaPrintController() {
        SetScriptStopOffer([] {
            const auto pressAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            return std::function<bool()>(
                [pressAt] { return std::chrono::steady_clock::now() >= pressAt; });
        });
    }
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        return QMLuaScript::Create(fileName, this);
    }
};

// On paper a printout the user stopped a script of is cancelled, saying so once; a preview
// shows the sheet with what the script said. Either way the script that never ends is ended.
TEST_F(Printout, AStoppedPrintScriptCancelsThePaperAndMarksThePreview) {
    // Gives up by itself after twenty seconds, so that a printout without Stop fails the test.
    const std::string forever = kEndlessScript;
    struct Case {
        const char* name;
        const char* lua;
        bool preview;
        bool stoppedAsItLoads;
        QMPrintout::ScriptLoad load = QMPrintout::ScriptLoad::AtOnce;
    } cases[] = {
        {"paper, a sheet", "function draw_parent_page(p) forever() end", false, false},
        {"preview, a sheet", "function draw_parent_page(p) forever() end", true, false},
        {"paper, the top level", "forever()", false, true},
        // The copy a preview prints from loads its scripts as it is laid out.
        {"paper from a preview, the top level", "forever()", false, false,
         QMPrintout::ScriptLoad::WhenLaidOut},
    };
    TempFolder folder("qm-print-stop");
    // Each case's controller opens the example file itself.
    controller_.CloseEvent();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LuaPrintController lua;
        lua.Initialise();
        ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent().c_str()));
        ASSERT_TRUE(lua.GetUserSettings().Set("parentprintscript",
                                              folder.Write("sheet.lua", forever + c.lua)));
        const PrintSettings settings = Only(false, true, false, false);
        UCStringError said;
        const auto start = std::chrono::steady_clock::now();
        std::vector<DrawnText> drawn;
        auto* made = new RecordingPrintout(&lua, settings, &drawn, c.load);
        EXPECT_EQ(made->WasStopped(), c.stoppedAsItLoads);
        const HeldPrintout held(made, c.preview);
        QMPrintout& printout = *made;
        ASSERT_EQ(printout.IsPreview(), c.preview);
        ASSERT_GT(LaidOutPages(printout), 0);
        bool printed = false;
        DrawPage(printout, 1, &printed);
        ProcessPending();

        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(printout.WasStopped());
        EXPECT_EQ(printed, c.preview);
        const std::string text = said.GetText();
        EXPECT_EQ(text.find("ran out"), std::string::npos) << text;
        if (c.preview) {
            bool marked = false;
            for (const DrawnText& piece : drawn) {
                marked =
                    marked || piece.text.find("Script stopped by the user") != std::string::npos;
            }
            EXPECT_TRUE(marked);
        } else {
            EXPECT_NE(text.find(QMPrintout::kStoppedText), std::string::npos) << text;
        }
    }
}

// The copy a preview prints from is printed again each time the user presses Print in the
// preview: each print is an output of its own, whose scripts run afresh. A school's script that
// logs what went on paper logs each print; one the user stopped in the first print (it waited on
// a file a colleague had open) runs again in the next, which prints or says why not.
TEST_F(Printout, PaperPrintedAgainFromAPreviewRunsItsScriptsAgain) {
    TempFolder folder("qm-print-again");
    const std::string log = folder.File("printed.txt");
    const std::string busy = folder.Write("busy", "");
    const std::string script =
        folder.Write("logs.lua", std::string(kEndlessScript) +
                                     "local function note(what)\n"
                                     "    local file = io.open('" +
                                     log +
                                     "', 'a')\n"
                                     "    file:write(what .. '\\n')\n"
                                     "    file:close()\n"
                                     "end\n"
                                     "note('loaded')\n"
                                     "function draw_parent_page(p)\n"
                                     "    if io.open('" +
                                     busy +
                                     "') then forever() end\n"
                                     "    note('sheet')\n"
                                     "    qm_output('Printed for ' .. qm_personname(p))\n"
                                     "end\n");
    const struct {
        const char* name;
        bool stoppedFirst;
        std::vector<std::string> logged;
    } cases[] = {
        {"printed twice", false, {"loaded", "sheet", "loaded", "sheet"}},
        {"printed again after a Stop", true, {"loaded", "loaded", "sheet"}},
    };
    controller_.CloseEvent();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(log.c_str());
        if (c.stoppedFirst) {
            folder.Write("busy", "");
        } else {
            std::remove(busy.c_str());
        }
        LuaPrintController lua;
        lua.Initialise();
        ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent().c_str()));
        ASSERT_TRUE(lua.GetUserSettings().Set("parentprintscript", script));
        const PrintSettings settings = OneFamilyOnOneSheet(lua, false);
        ASSERT_GE(settings.GetParentIndex(), 0);
        std::vector<DrawnText> drawn;
        auto* made =
            new RecordingPrintout(&lua, settings, &drawn, QMPrintout::ScriptLoad::WhenLaidOut);
        const HeldPrintout held(made, false);
        std::vector<bool> printed;
        std::vector<std::string> said;
        for (int print = 0; print < 2; ++print) {
            UCStringError collector;
            drawn.clear();
            ASSERT_EQ(LaidOutPages(*made), 1);
            bool done = false;
            DrawPage(*made, 1, &done);
            ProcessPending();
            printed.push_back(done);
            said.push_back(collector.GetText());
            // The colleague closes the file.
            std::remove(busy.c_str());
        }
        EXPECT_EQ(printed, (std::vector<bool>{!c.stoppedFirst, true}));
        EXPECT_EQ(said[1], "");
        bool sheet = false;
        for (const DrawnText& piece : drawn) {
            sheet = sheet || piece.text.find("Printed for ") != std::string::npos;
        }
        EXPECT_TRUE(sheet);
        std::vector<std::string> logged;
        std::ifstream file(log);
        for (std::string line; std::getline(file, line);) {
            logged.push_back(line);
        }
        EXPECT_EQ(logged, c.logged);
    }
}

}  // namespace

namespace {

// A sheet's script may mail the family whose sheet it draws. Laying a printout out runs each
// sheet's script before any page is drawn, and a preview draws a page each time it shows it:
// still the family has its results once for the one printout the user asked for.
TEST_F(Printout, ASheetScriptsMailGoesOnceForAPrintoutHoweverOftenItsSheetIsDrawn) {
    Outbox outbox;
    LuaController lua;
    lua.Initialise();
    ASSERT_TRUE(lua.OpenEventFile(CopyExampleEvent("mailing.qmv").c_str()));
    lua.SetClientFactory(std::make_unique<FakeSMTPFactory>(&outbox));
    EmailServerSettings server = lua.GetEvent()->GetEmailServerSettings();
    server.SetServer("mail.school.example");
    server.SetFromAddress("office@school.example");
    lua.GetEvent()->SetEmailServerSettings(server);
    // The office mails everyone due, whatever went before.
    lua.GetEvent()->GetPrintSettings().SetIncludeAlreadySent(true);
    ASSERT_TRUE(lua.GetUserSettings().Set("parentprintscript",
                                          folder_.Write("mailing.lua",
                                                        "function draw_parent_page(parent)\n"
                                                        "    qm_sendemail(parent, 0, 2)\n"
                                                        "    qm_output('Mailed')\n"
                                                        "    return true\n"
                                                        "end\n")));
    const PrintSettings settings = OneFamilyOnOneSheet(lua, true);
    ASSERT_GE(settings.GetParentIndex(), 0);
    const struct {
        const char* name;
        bool preview;
        int shown;  // times its page is drawn
    } cases[] = {
        {"paper", false, 1},
        {"preview, the page shown twice", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        outbox.sent.clear();
        std::vector<DrawnText> drawn;
        auto* made = new RecordingPrintout(&lua, settings, &drawn);
        const HeldPrintout held(made, c.preview);
        ASSERT_EQ(LaidOutPages(*made), 1);
        for (int time = 0; time < c.shown; ++time) {
            DrawPage(*made, 1);
        }
        ProcessPending();
        std::map<std::string, int> messages;
        for (const UCSMTPEmail& email : outbox.sent) {
            ++messages[email.GetTo()[0]->address + ": " + email.subject];
        }
        for (const auto& [message, count] : messages) {
            EXPECT_EQ(count, 1) << message;
        }
    }
}

// A school's sheet script may flush a tally from a finaliser, which runs as the printout closes
// its host, after the last sheet was drawn and its renderer gone: on paper, and in a preview
// closed after showing its pages. What it writes then goes on no sheet, and the printout must not
// draw it through the renderer of a sheet long finished (each case runs in a child, so that a
// crash fails the case).
TEST_F(Printout, ASheetScriptsFinaliserDrawsNothingOnceThePrintoutCloses) {
    const std::string script = folder_.Write(
        "tally.lua",
        "sheets = 0\n"
        "tally = setmetatable({}, {__gc = function()\n"
        "    qm_output('printed ' .. sheets .. ' sheets')\n"
        "    qm_printcell('tally', 50, true, true)\n"
        "end})\n"
        "function draw_parent_page(p) sheets = sheets + 1; qm_output('Sheet') end\n"
        "function draw_teacher_page(t) sheets = sheets + 1; qm_output('Sheet') end\n");
    const struct {
        const char* name;
        bool preview;
    } cases[] = {{"paper", false}, {"preview", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                LuaController lua;
                lua.Initialise();
                const bool opened = lua.OpenEventFile(CopyExampleEvent("tally.qmv").c_str());
                lua.GetUserSettings().Set("parentprintscript", script);
                lua.GetUserSettings().Set("teacherprintscript", script);
                std::vector<DrawnText> drawn;
                size_t whileShown = 0;
                {
                    auto* made =
                        new RecordingPrintout(&lua, Only(true, true, false, false), &drawn);
                    const HeldPrintout held(made, c.preview);
                    const int pages = LaidOutPages(*made);
                    for (int page = 1; page <= pages; ++page) {
                        DrawPage(*made, page);
                    }
                    whileShown = drawn.size();
                }
                const bool fine = opened && whileShown > 0 && drawn.size() == whileShown;
                std::fprintf(stderr, "%s", fine ? "" : "drawn after the printout closed\n");
                ::_exit(fine ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace

namespace {

// The copy a preview prints from is laid out again at each print, on whatever paper the print
// dialog chose then. A family's long notes run past a half page of A4 and take whole pages
// there, yet fit a half page of larger paper: the next print on the larger paper has as many
// pages as a printout made for it, each with a sheet on it, and no blank sheet after the last.
TEST_F(Printout, PaperPrintedAgainOnOtherPaperHasTheLayoutOfThatPaper) {
    PrintSettings settings = Only(false, true, false, false);
    settings.SetOneParentPerSheet(false);
    std::string notes;
    for (int i = 1; i <= 60; ++i) {
        notes += "Note line " + std::to_string(i) + "\n";
    }
    controller_.GetEvent()->GetParents().Get(1)->SetNotes(notes);
    const struct {
        const char* name;
        int firstScale;
        int secondScale;
    } cases[] = {
        {"A4, then larger paper", 1, 3},
        {"larger paper, then A4", 3, 1},
        {"A4 twice", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QMPrintout fresh(&controller_, settings);
        const int expected =
            LaidOutPages(fresh, c.secondScale * kPageWidth, c.secondScale * kPageHeight);
        std::vector<DrawnText> drawn;
        auto* made = new RecordingPrintout(&controller_, settings, &drawn,
                                           QMPrintout::ScriptLoad::WhenLaidOut);
        const HeldPrintout held(made, false);
        LaidOutPages(*made, c.firstScale * kPageWidth, c.firstScale * kPageHeight);
        DrawPage(*made, 1);
        const int width = c.secondScale * kPageWidth;
        const int height = c.secondScale * kPageHeight;
        const int pages = LaidOutPages(*made, width, height);
        EXPECT_EQ(pages, expected);
        for (int page = 1; page <= pages; ++page) {
            Page sheet(*made, width, height);
            made->OnPrintPage(page);
            made->SetDC(nullptr);
            EXPECT_GT(Ink(sheet.Picture()), 0) << "page " << page << " of " << pages;
        }
    }
}

}  // namespace
