#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/modalhook.h>

#include "app/qm_controller.h"
#include "app/user_settings.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_pane.h"
#include "gui/main/overview_school.h"
#include "gui/main/recording_frame.h"
#include "gui/support/gui_test.h"

namespace {

using MenuLines = std::vector<std::tuple<int, std::string, bool>>;

// An overview whose popups and tips are recorded; a chosen entry is then sent as GTK sends it.
class RecordingOverview : public OverviewPane {
public:
    using OverviewPane::OverviewPane;

    MenuLines shown;
    int popups = 0;
    int choose = 0;
    std::vector<std::string> tips;

protected:
    void ShowPopup(wxMenu& menu, const wxPoint&) override {
        ++popups;
        shown.clear();
        for (const wxMenuItem* item : menu.GetMenuItems()) {
            shown.emplace_back(item->GetId(), ToUtf8(item->GetItemLabel()), item->IsEnabled());
        }
        if (choose != 0) {
            menu.SendEvent(choose);
        }
    }
    void ShowTip(const wxString& text, const wxRect&) override { tips.push_back(ToUtf8(text)); }
};

// Nine teachers whose rows each show some of the thirteen colours, single-child families
// P0 to P11, and Smith with two children. Row by row (slots of ten minutes from 6:00pm):
//   0: booked OK high, normal, low at 0, 2, 4      1: waits: high at 5, normal at 10
//   2: wait, low at 5                               3-5: sibling gap high, normal, low
//   6: busy from slot 2 (blocks of two)             7: free at 0, break at 3, presentation at
//      6-7, absent from 9; asked for 20 slots it cannot have (count in red)
class Overview : public GuiTest {
protected:
    Overview() {
        for (int t = 0; t < 8; ++t) {
            teachers.push_back(school.AddTeacher("Teacher " + std::to_string(t)));
        }
        for (int p = 0; p < 12; ++p) {
            families.push_back(school.AddFamily("P" + std::to_string(p), {"8A"}));
        }
        smith = school.AddFamily("Smith", {"7B", "9C"});
        school.SetOptions([](ScheduleOptions& o) { o.TeacherBlockLength = 2; });
        Book(0, 0, 0, 2);
        Book(0, 1, 2, 1);
        Book(0, 2, 4, 0);
        Book(1, 3, 0, 1);
        Book(1, 4, 5, 2);
        Book(1, 5, 10, 1);
        Book(2, 6, 0, 1);
        Book(2, 7, 5, 0);
        for (int level = 2; level >= 0; --level) {
            const int row = 5 - level;
            const int slot = 4 * (row - 3);
            school.Book(school.Request(smith->GetPupil(0), teachers[row], level), slot);
            school.Book(school.Request(smith->GetPupil(1), teachers[row], level), slot + 2);
        }
        Book(6, 8, 0, 1);
        Book(6, 9, 1, 1);
        Book(6, 10, 2, 1);
        Teacher* odd = teachers[7];
        odd->AddBreak(DateTime(Date(4, 3, 2024), TimeOfDay(18, 30, 0)));
        odd->SetLeavesEarly(&school.Day(), true);
        odd->SetEndTime(&school.Day(), TimeOfDay(19, 30, 0));
        school.AddPresentation(odd);
        EXPECT_TRUE(families[11]->GetPupil(0)->AddRequest(odd, "", 1, 20));

        pane = new RecordingOverview(TopWindow(), &controller);
        pane->SetSchedule(school.schedule.get());
        frame.schedule = school.schedule.get();
        frame.controller = &controller;
    }

    void Book(int teacher, int family, int slot, int priority) {
        school.Book(school.Request(families[family]->GetPupil(0), teachers[teacher], priority),
                    slot);
    }

    void Render() {
        wxBitmap bitmap(OverviewPane::kVirtualWidth, 800);
        {
            wxMemoryDC dc(bitmap);
            pane->Render(dc, wxRegion(0, 0, OverviewPane::kVirtualWidth, 800));
        }
        image = bitmap.ConvertToImage();
    }
    int Cell() const { return pane->GetGeometry().cellSize; }
    wxPoint TeacherCell(int row, int slot, unsigned day = 0) const {
        return {SlotColumnLeft(*school.schedule, day, slot, Cell()) + Cell() / 2,
                pane->GetGeometry().teacherRowsTop + row * Cell() + Cell() / 2};
    }
    wxPoint ParentCell(int row, int slot) const {
        return {SlotColumnLeft(*school.schedule, 0, slot, Cell()) + Cell() / 2,
                pane->GetGeometry().parentRowsTop + row * Cell() + Cell() / 2};
    }
    std::string PixelAt(const wxPoint& point) const {
        return Colour(image.GetRed(point.x, point.y), image.GetGreen(point.x, point.y),
                      image.GetBlue(point.x, point.y))
            .ToHex();
    }
    // Whether any pixel of the row's count is clearly red.
    bool CountIsRed(int row) const {
        const int left = CountColumnLeft(*school.schedule, Cell());
        const int top = pane->GetGeometry().teacherRowsTop + row * Cell();
        for (int x = left; x < left + 4 * Cell(); ++x) {
            for (int y = top; y < top + Cell(); ++y) {
                if (image.GetRed(x, y) > 180 && image.GetGreen(x, y) < 90 &&
                    image.GetBlue(x, y) < 90) {
                    return true;
                }
            }
        }
        return false;
    }
    void Mouse(wxEventType type, const wxPoint& at, bool rightDown = false) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.m_rightDown = rightDown;
        event.SetEventObject(pane);
        pane->ProcessWindowEvent(event);
    }
    void RightClick(const wxPoint& at, int choose = 0) {
        pane->choose = choose;
        Mouse(wxEVT_RIGHT_DOWN, at);
        pane->choose = 0;
    }

    OverviewSchool school;
    std::vector<Teacher*> teachers;
    std::vector<Parent*> families;
    Parent* smith;
    QMController controller;
    RecordingOverview* pane;
    RecordingFrame frame;
    wxImage image;
};

TEST_F(Overview, PaintsEachOfTheThirteenColoursInItsCell) {
    Render();
    ASSERT_GT(Cell(), 0);
    struct Case {
        const char* name;
        wxPoint at;
        const char* colour;
    };
    const Case cases[] = {
        {"booked OK high", TeacherCell(0, 0), "0000ff"},
        {"booked OK normal", TeacherCell(0, 2), "4040ff"},
        {"booked OK low", TeacherCell(0, 4), "8080ff"},
        {"booked with wait high", TeacherCell(1, 5), "ff0000"},
        {"booked with wait normal", TeacherCell(1, 10), "ff4040"},
        {"booked with wait low", TeacherCell(2, 5), "ff8080"},
        {"sibling gap high", TeacherCell(3, 2), "800080"},
        {"sibling gap normal", TeacherCell(4, 6), "902090"},
        {"sibling gap low", TeacherCell(5, 10), "a040a0"},
        {"teacher busy", TeacherCell(6, 2), "ff8000"},
        {"teacher break", TeacherCell(7, 3), "ffff80"},
        {"presentation", TeacherCell(7, 7), "80ff80"},
        {"absent", TeacherCell(7, 10), "a0a0a0"},
        {"free", TeacherCell(7, 1), "ffffff"},
        {"parent booked", ParentCell(0, 0), "0000ff"},
        {"parent free", ParentCell(0, 11), "ffffff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PixelAt(c.at), c.colour);
    }
    // A stored colour shows at the next paint.
    controller.GetUserSettings().SetColourTeacherBreak(Colour(0x12, 0x34, 0x56));
    Render();
    EXPECT_EQ(PixelAt(TeacherCell(7, 3)), "123456");
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(Overview, CountsTurnRedOnlyWhenTheTeacherCannotHaveWhatIsAsked) {
    Render();
    EXPECT_TRUE(CountIsRed(7));
    EXPECT_FALSE(CountIsRed(0));
    EXPECT_EQ(teachers[7]->GetRequestedSlotTally(), 20);
}

TEST_F(Overview, HourTicksCrossTheRowsAtEachNewHour) {
    Render();
    auto tickPixel = [this](int slot) {
        const wxPoint centre = TeacherCell(7, slot);
        return PixelAt({SlotColumnLeft(*school.schedule, 0, slot, Cell()) + 1, centre.y});
    };
    EXPECT_EQ(tickPixel(0), "000000");
    EXPECT_EQ(tickPixel(1), "ffffff");
    EXPECT_EQ(tickPixel(6), "000000");
}

TEST_F(Overview, LayoutSetsTheRowsAndTheVirtualHeight) {
    EXPECT_EQ(pane->GetGeometry().cellSize, -1);
    EXPECT_EQ(pane->GetVirtualHeight(), 2000);
    Render();
    const OverviewGeometry geometry = pane->GetGeometry();
    EXPECT_GT(geometry.teacherRowsTop, 10 + 2 * geometry.cellSize);
    EXPECT_GT(geometry.parentRowsTop, geometry.teacherRowsTop + 8 * geometry.cellSize);
    EXPECT_EQ(pane->GetVirtualHeight(), geometry.parentRowsTop + 14 * geometry.cellSize);
    EXPECT_EQ(pane->GetVirtualWidth(), OverviewPane::kVirtualWidth);

    // Three days of five-minute slots reach past the least width: the area widens to show the
    // labels.
    OverviewSchool wide(3);
    ASSERT_TRUE(wide.event->SetSlotLength(300));
    for (unsigned d = 0; d < 3; ++d) {
        wide.Day(d).SetEndTime(TimeOfDay(22, 0, 0));
    }
    wide.AddTeacher("Ann Able");
    pane->SetSchedule(wide.schedule.get());
    Render();
    EXPECT_EQ(pane->GetVirtualWidth(),
              CountColumnLeft(*wide.schedule, geometry.cellSize) + 4 * geometry.cellSize + 400);
    EXPECT_GT(pane->GetVirtualWidth(), OverviewPane::kVirtualWidth);

    // Detached: "No Schedule", rows no longer laid out, the cell size kept.
    pane->SetSchedule(nullptr);
    Render();
    EXPECT_EQ(pane->GetGeometry().teacherRowsTop, -1);
    EXPECT_EQ(pane->GetGeometry().cellSize, geometry.cellSize);
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(Overview, RightClickShowsTheMenuThatFitsTheCell) {
    RightClick({5, 5});
    EXPECT_EQ(pane->popups, 0);  // nothing painted yet
    Render();
    RightClick({5, 5});
    EXPECT_EQ(pane->shown, (MenuLines{{78, "Change Appearance", true}}));
    RightClick(TeacherCell(7, 1));
    EXPECT_EQ(pane->shown, (MenuLines{{35, "Edit Teacher", true},
                                      {76, "Add Break", true},
                                      {wxID_SEPARATOR, "", true},
                                      {78, "Change Appearance", true}}));
    RightClick(ParentCell(1, 5));
    EXPECT_EQ(std::get<0>(pane->shown[0]), WxId(CommandId::EditParent));
    EXPECT_EQ(pane->shown.size(), 3u);

    RightClick(ParentCell(0, 0));
    ASSERT_EQ(pane->shown.size(), 10u);
    EXPECT_EQ(std::get<0>(pane->shown[3]), WxId(CommandId::AddBreak));
    EXPECT_FALSE(std::get<2>(pane->shown[3]));
    // Edit Teacher there edits the appointment's teacher.
    RightClick(ParentCell(0, 0), WxId(CommandId::EditTeacher));
    RightClick(ParentCell(0, 0), WxId(CommandId::EditPupil));
    RightClick(ParentCell(1, 5), WxId(CommandId::EditParent));
    EXPECT_EQ(frame.calls,
              (std::vector<std::string>{"teacher Teacher 0", "pupil Kid1 P0", "parent P1"}));
    EXPECT_EQ(frame.ran, (std::vector<CommandId>{CommandId::EditTeacher, CommandId::EditPupil,
                                                 CommandId::EditParent}));
    // The same ids from elsewhere (the menu bar) are the window's.
    wxCommandEvent fromMenuBar(wxEVT_MENU, WxId(CommandId::EditTeacher));
    EXPECT_FALSE(pane->GetEventHandler()->SafelyProcessEvent(fromMenuBar));
    EXPECT_EQ(frame.calls.size(), 3u);

    school.event->SetLocked(true);
    RightClick(TeacherCell(0, 0));
    std::vector<bool> enabled;
    for (const auto& line : pane->shown) {
        enabled.push_back(std::get<2>(line));
    }
    EXPECT_EQ(enabled,
              (std::vector<bool>{false, false, true, false, true, true, true, false, true, true}));
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(Overview, UnbookAsksAndChangesNothingOnNo) {
    Render();
    Schedule& day = school.Day();
    prompts_.Answer(wxID_NO);
    RightClick(TeacherCell(0, 2), WxId(CommandId::UnbookAppointment));
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(ToUtf8(prompts_.shown[0].message),
              "You are about to unbook the appointment for Teacher 0 to see P1 about Kid1 P1 "
              "(8A). The request for an appointment will remain and can be rebooked by clicking "
              "the 'Book In' button.\nAre you sure you want to do this?");
    EXPECT_NE(day.GetGrid().PeekBooking(2, 0), nullptr);

    prompts_.Answer(wxID_YES);
    RightClick(ParentCell(1, 2), WxId(CommandId::UnbookAppointment));
    EXPECT_EQ(day.GetGrid().PeekBooking(2, 0), nullptr);
    EXPECT_EQ(families[1]->GetPupil(0)->GetRequestCount(), 1u);
    EXPECT_EQ(frame.ran, std::vector<CommandId>(2, CommandId::UnbookAppointment));
}

TEST_F(Overview, DeleteRequestTakesEveryRequestToThatTeacherAndItsBookings) {
    Render();
    Pupil* pupil = families[0]->GetPupil(0);
    // A second request of the same pupil to the same teacher, booked too.
    school.Book(school.Request(pupil, teachers[0]), 8);
    prompts_.Answer(wxID_NO);
    RightClick(TeacherCell(0, 0), WxId(CommandId::DeleteRequest));
    EXPECT_EQ(pupil->GetRequestCount(), 2u);

    prompts_.Answer(wxID_YES);
    RightClick(TeacherCell(0, 0), WxId(CommandId::DeleteRequest));
    EXPECT_EQ(pupil->GetRequestCount(), 0u);
    EXPECT_EQ(school.Day().GetGrid().PeekBooking(0, 0), nullptr);
    EXPECT_EQ(school.Day().GetGrid().PeekBooking(8, 0), nullptr);
    EXPECT_NE(school.Day().GetGrid().PeekBooking(2, 0), nullptr);
    EXPECT_EQ(frame.ran, std::vector<CommandId>(2, CommandId::DeleteRequest));
    Render();
    EXPECT_TRUE(sink_.entries.empty());
}

TEST_F(Overview, OnALockedEventUnbookAndDeleteRequestChangeNothing) {
    Render();
    school.event->SetLocked(true);
    prompts_.Answer(wxID_YES).Answer(wxID_YES);
    RightClick(TeacherCell(0, 0), WxId(CommandId::UnbookAppointment));
    RightClick(TeacherCell(0, 0), WxId(CommandId::DeleteRequest));
    EXPECT_NE(school.Day().GetGrid().PeekBooking(0, 0), nullptr);
    EXPECT_EQ(families[0]->GetPupil(0)->GetRequestCount(), 1u);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>(
                                 2, "Cannot remove an appointment because the schedule is locked"));
    EXPECT_EQ(frame.ran,
              (std::vector<CommandId>{CommandId::UnbookAppointment, CommandId::DeleteRequest}));
}

TEST_F(Overview, AddBreakMakesTheSlotABreakUnlessTheEventIsLocked) {
    Render();
    RightClick(TeacherCell(0, 2), WxId(CommandId::AddBreak));
    EXPECT_TRUE(teachers[0]->HasBreak(DateTime(Date(4, 3, 2024), TimeOfDay(18, 20, 0))));
    EXPECT_EQ(school.Day().GetGrid().PeekBooking(2, 0), nullptr);
    RightClick(TeacherCell(7, 3), WxId(CommandId::AddBreak));
    EXPECT_EQ(teachers[7]->GetBreakCount(), 1u);

    school.event->SetLocked(true);
    RightClick(TeacherCell(7, 1), WxId(CommandId::AddBreak));
    EXPECT_EQ(teachers[7]->GetBreakCount(), 1u);
    // The booking the first break took is named; the free cell's break takes none.
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{
                  "These appointments fall where the teacher or the family is no longer "
                  "available (away, outside their hours, in a break or at a presentation) and "
                  "have been unbooked:\nP1 about Kid1 P1 with Teacher 0 at 6:20pm",
                  "Cannot add teacher breaks because the schedule is locked"}));
    EXPECT_EQ(frame.ran, std::vector<CommandId>(3, CommandId::AddBreak));
}

TEST_F(Overview, HoverShowsFourLinesOverBookedCellsOnly) {
    Mouse(wxEVT_MOTION, TeacherCell(0, 0));
    EXPECT_TRUE(pane->tips.empty());  // nothing painted yet
    Render();
    Mouse(wxEVT_MOTION, TeacherCell(7, 1));
    Mouse(wxEVT_MOTION, TeacherCell(7, 3));
    Mouse(wxEVT_MOTION, TeacherCell(0, 0), true);
    EXPECT_TRUE(pane->tips.empty());
    Mouse(wxEVT_MOTION, TeacherCell(0, 0));
    Mouse(wxEVT_MOTION, ParentCell(6, 0));
    EXPECT_EQ(pane->tips,
              (std::vector<std::string>{"Teacher 0\nseeing P0\nabout Kid1 P0 (8A)\nat 6:00pm",
                                        "Teacher 2\nseeing P6\nabout Kid1 P6 (8A)\nat 6:00pm"}));
    pane->SetHoverTips(false);
    Mouse(wxEVT_MOTION, TeacherCell(0, 0));
    EXPECT_EQ(pane->tips.size(), 2u);
    EXPECT_TRUE(sink_.entries.empty());
}

// Answers the appearance dialog with Cancel.
class CancelAppearance : public wxModalDialogHook {
public:
    CancelAppearance() { Register(); }
    ~CancelAppearance() override { Unregister(); }
    std::vector<std::string> titles;

protected:
    int Enter(wxDialog* dialog) override {
        titles.push_back(ToUtf8(dialog->GetTitle()));
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

TEST_F(Overview, ChangeAppearanceOpensTheDialogAndRefreshesWhateverTheAnswer) {
    Render();
    CancelAppearance hook;
    RightClick({5, 5}, WxId(CommandId::ChangeAppearance));
    EXPECT_EQ(hook.titles, (std::vector<std::string>{"Edit Overview Appearance"}));
    EXPECT_EQ(frame.ran, (std::vector<CommandId>{CommandId::ChangeAppearance}));
}

}  // namespace
