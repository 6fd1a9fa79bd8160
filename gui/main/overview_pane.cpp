#include "gui/main/overview_pane.h"

#include <wx/dcbuffer.h>
#include <wx/menu.h>
#include <wx/tipwin.h>

#include <algorithm>

#include "app/event_changes.h"
#include "app/qm_controller.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/frame_actions.h"
#include "gui/main/frame_commands.h"
#include "gui/main/popup_menus.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

constexpr int kMargin = 10;
constexpr int kTipLineLength = 200;
// Room for a row's label to the right of its count.
constexpr int kLabelAllowance = 400;

wxColour ToWx(const Colour& colour) {
    return wxColour(colour.Red(), colour.Green(), colour.Blue(), wxALPHA_OPAQUE);
}

}  // namespace

OverviewPane::OverviewPane(wxWindow* parent, QMController* controller)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL),
      controller_(controller),
      headingFont_(12, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD),
      cellFont_(8, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL) {
    SetVirtualSize(kVirtualWidth, virtualHeight_);
    SetScrollRate(kScrollRate, kScrollRate);
    SetBackgroundColour(*wxWHITE);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &OverviewPane::OnPaint, this);
    Bind(wxEVT_MOTION, &OverviewPane::OnMotion, this);
    Bind(wxEVT_RIGHT_DOWN, &OverviewPane::OnRightDown, this);
}

OverviewPane::~OverviewPane() {
    if (tipWindow_ != nullptr) {
        tipWindow_->SetTipWindowPtr(nullptr);
        tipWindow_->Close();
    }
}

void OverviewPane::SetSchedule(MultiDaySchedule* schedule) {
    geometry_.teacherRowsTop = -1;
    geometry_.parentRowsTop = -1;
    event_.reset();
    schedule_ = schedule;
    if (schedule_ != nullptr) {
        event_ = schedule_->GetEvent();
    }
}

void OverviewPane::ShowChanges(const EventChanges& changes) {
    // Its rows are the people's.
    if (changes.event || changes.people) {
        SetSchedule(schedule_);
    }
    Repaint();
}

void OverviewPane::OnPaint(wxPaintEvent& event) {
    wxAutoBufferedPaintDC dc(this);
    DoPrepareDC(dc);
    Render(dc, GetUpdateRegion());
    if (schedule_ == nullptr || !event_) {
        event.Skip();
    }
}

bool OverviewPane::RowExposed(const wxRegion& exposed, int y, int height) const {
    const wxPoint top = CalcScrolledPosition(wxPoint(0, y));
    return exposed.Contains(wxRect(top.x, top.y, virtualWidth_, height)) != wxOutRegion;
}

void OverviewPane::Render(wxDC& dc, const wxRegion& exposed) {
    if (schedule_ != nullptr && event_) {
        RecountTeacherRequests(*schedule_);
    }
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetTextForeground(*wxBLACK);
    dc.SetFont(headingFont_);
    if (schedule_ == nullptr || !event_) {
        dc.DrawText("No Schedule", kMargin, kMargin);
        return;
    }
    // One read of the settings a paint: a changed colour shows at the next one.
    const OverviewPalette palette = OverviewPalette::FromSettings(controller_->GetUserSettings());
    dc.DrawText("Teacher overview:", kMargin, kMargin);
    const int headingTop = kMargin + dc.GetCharHeight();
    dc.SetFont(cellFont_);
    const int cell = dc.GetCharHeight();
    geometry_.teacherRowsTop = headingTop + 2 * cell;
    const int teachers = static_cast<int>(event_->GetTeachers().Count());
    std::vector<int> drawn;
    for (int i = 0; i < teachers; ++i) {
        const int y = geometry_.teacherRowsTop + i * cell;
        if (RowExposed(exposed, y, cell) && DrawTeacherRow(dc, i, y, cell, palette)) {
            drawn.push_back(i);
        }
    }
    DrawCellOutlines(dc, geometry_.teacherRowsTop, drawn, cell);
    const int teachersBottom = geometry_.teacherRowsTop + teachers * cell;
    DrawTimeAxis(dc, headingTop, teachersBottom, cell);

    dc.SetFont(headingFont_);
    dc.DrawText("Parent overview:", kMargin, teachersBottom);
    const int parentHeadingTop = teachersBottom + dc.GetCharHeight();
    dc.SetFont(cellFont_);
    geometry_.parentRowsTop = parentHeadingTop + 2 * cell;
    const int parents = static_cast<int>(event_->GetParents().Count());
    drawn.clear();
    for (int j = 0; j < parents; ++j) {
        const int y = geometry_.parentRowsTop + j * cell;
        if (RowExposed(exposed, y, cell) && DrawParentRow(dc, j, y, cell, palette)) {
            drawn.push_back(j);
        }
    }
    DrawCellOutlines(dc, geometry_.parentRowsTop, drawn, cell);
    const int parentsBottom = geometry_.parentRowsTop + parents * cell;
    DrawTimeAxis(dc, parentHeadingTop, parentsBottom, cell);

    // Wide events (many days of short slots) widen the area so their labels can be reached.
    const int wantedWidth =
        std::max(kVirtualWidth, CountColumnLeft(*schedule_, cell) + 4 * cell + kLabelAllowance);
    const int wantedHeight = parentsBottom + cell;
    if (wantedHeight != virtualHeight_ || wantedWidth != virtualWidth_) {
        virtualHeight_ = wantedHeight;
        virtualWidth_ = wantedWidth;
        SetVirtualSize(virtualWidth_, virtualHeight_);
    }
}

void OverviewPane::DrawTimeAxis(wxDC& dc, int top, int bottom, int cell) {
    if (schedule_ == nullptr || !event_) {
        return;
    }
    dc.SetPen(*wxBLACK_PEN);
    int x = 0;
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        const Schedule& day = *schedule_->GetDay(d);
        x += cell;
        dc.DrawText(FromUtf8(DayCaption(day)), x, top);
        for (const HourTick& tick : HourTicks(day)) {
            const int left = x + tick.slot * cell;
            dc.DrawLine(left + 1, top + cell, left + 1, bottom);
            dc.DrawText(FromUtf8(tick.time.Format(Time12h)), left + cell / 2, top + cell);
        }
        x += day.GetNumSlots() * cell;
    }
}

int OverviewPane::DrawCells(wxDC& dc, const std::vector<Colour>& cells, int x, int y, int cell) {
    // Runs of one colour are filled at once; the outlines follow for all drawn rows together.
    dc.SetPen(*wxTRANSPARENT_PEN);
    for (size_t start = 0; start < cells.size();) {
        size_t end = start + 1;
        while (end < cells.size() && cells[end] == cells[start]) {
            ++end;
        }
        dc.SetBrush(BrushFor(cells[start]));
        dc.DrawRectangle(x + static_cast<int>(start) * cell, y,
                         static_cast<int>(end - start) * cell + 1, cell + 1);
        start = end;
    }
    if (!cells.empty()) {
        geometry_.cellSize = cell;
    }
    dc.SetPen(*wxBLACK_PEN);
    return x + static_cast<int>(cells.size()) * cell;
}

const wxBrush& OverviewPane::BrushFor(const Colour& colour) {
    auto found = brushes_.find(colour.GetPacked());
    if (found == brushes_.end()) {
        found =
            brushes_.emplace(colour.GetPacked(), wxBrush(ToWx(colour), wxBRUSHSTYLE_SOLID)).first;
    }
    return found->second;
}

void OverviewPane::DrawCellOutlines(wxDC& dc, int rowsTop, const std::vector<int>& rows, int cell) {
    // Every cell has a one-pixel black outline shared with its neighbours: one line per column
    // and per row edge of each run of consecutive drawn rows.
    dc.SetPen(*wxBLACK_PEN);
    for (size_t first = 0; first < rows.size();) {
        size_t last = first;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) {
            ++last;
        }
        const int top = rowsTop + rows[first] * cell;
        const int bottom = rowsTop + (rows[last] + 1) * cell;
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            const int slots = schedule_->GetDay(d)->GetNumSlots();
            const int left = SlotColumnLeft(*schedule_, d, 0, cell);
            const int right = left + slots * cell;
            for (int k = 0; k <= slots; ++k) {
                dc.DrawLine(left + k * cell, top, left + k * cell, bottom + 1);
            }
            for (int y = top; y <= bottom; y += cell) {
                dc.DrawLine(left, y, right + 1, y);
            }
        }
        first = last + 1;
    }
}

int OverviewPane::DrawDayRow(
    wxDC& dc, int y, int cell,
    const std::function<void(const Schedule&, std::vector<Colour>*)>& dayColours) {
    dc.SetPen(*wxBLACK_PEN);
    int x = 0;
    std::vector<Colour> cells;
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        x += cell;
        cells.clear();
        dayColours(*schedule_->GetDay(d), &cells);
        x = DrawCells(dc, cells, x, y, cell);
    }
    return x + cell;
}

bool OverviewPane::DrawTeacherRow(wxDC& dc, int index, int y, int cell,
                                  const OverviewPalette& palette) {
    Teacher* teacher = TeacherAt(index);
    if (teacher == nullptr) {
        return false;
    }
    int booked = 0;
    const int x = DrawDayRow(dc, y, cell, [&](const Schedule& day, std::vector<Colour>* cells) {
        TeacherDayColours(day, index, event_->GetOptions(), palette, cells, &booked);
    });
    const int requested = teacher->GetRequestedSlotTally();
    if (TeacherCountOverbooked(booked, requested, schedule_->CountAvailableSlots(teacher))) {
        dc.SetTextForeground(*wxRED);
    }
    dc.DrawText(OverviewCountText(booked, requested), x, y);
    dc.SetTextForeground(*wxBLACK);
    dc.DrawText(FromUtf8(TeacherLabel(*teacher)), x + 4 * cell, y);
    return true;
}

bool OverviewPane::DrawParentRow(wxDC& dc, int index, int y, int cell,
                                 const OverviewPalette& palette) {
    const Parent* parent = event_->GetParents().Get(static_cast<unsigned>(index));
    if (parent == nullptr) {
        return false;
    }
    int booked = 0;
    const int x = DrawDayRow(dc, y, cell, [&](const Schedule& day, std::vector<Colour>* cells) {
        ParentDayColours(day, parent, event_->GetOptions(), palette, cells, &booked);
    });
    dc.DrawText(OverviewCountText(booked, parent->GetRequestedSlots()), x, y);
    dc.DrawText(FromUtf8(ParentRowLabel(*parent)), x + 4 * cell, y);
    return true;
}

OverviewHit OverviewPane::HitTestAt(const wxPoint& windowPoint) const {
    const wxPoint logical = CalcUnscrolledPosition(windowPoint);
    return HitTestOverview(event_ ? schedule_ : nullptr, geometry_, logical.x, logical.y);
}

void OverviewPane::OnMotion(wxMouseEvent& event) {
    event.Skip();
    if (event.RightIsDown() || !hoverTips_ || schedule_ == nullptr || tipWindow_ != nullptr ||
        geometry_.cellSize == 0 || !event_) {
        return;
    }
    const OverviewHit hit = HitTestAt(event.GetPosition());
    int teacherRow = -1;
    const Appointment* booking = AppointmentAtHit(*schedule_, hit, &teacherRow);
    const Teacher* teacher = TeacherAt(teacherRow);
    if (booking == nullptr || booking->GetRequest() == nullptr || teacher == nullptr) {
        return;
    }
    const std::string text =
        CellTipText(*teacher, *booking->GetRequest(), hit.day->SlotToTime(hit.slot));
    const int cell = geometry_.cellSize;
    const int top = hit.kind == HitTeacherRow ? geometry_.teacherRowsTop : geometry_.parentRowsTop;
    const wxPoint origin = ClientToScreen(CalcScrolledPosition(wxPoint(0, 0)));
    ShowTip(FromUtf8(text),
            wxRect(origin.x + (hit.x / cell) * cell, origin.y + top + hit.row * cell, cell, cell));
}

void OverviewPane::ShowTip(const wxString& text, const wxRect& screenRect) {
    wxRect bounds = screenRect;
    tipWindow_ = new wxTipWindow(this, text, kTipLineLength, &tipWindow_, &bounds);
}

void OverviewPane::OnRightDown(wxMouseEvent& event) {
    if (geometry_.cellSize <= 0 || !event_ || schedule_ == nullptr) {
        return;
    }
    OverviewCell& cell = menuTarget_.cell;
    cell.appointment.reset();
    cell.schedule = schedule_;
    cell.event = event_;
    const OverviewHit hit = HitTestAt(event.GetPosition());
    cell.hit = hit;
    const wxPoint at = event.GetPosition();
    if (hit.kind == HitNone) {
        ShowMenu(OverviewMenuKind::Background, at);
        return;
    }
    const AppointmentGrid& grid = hit.day->GetGrid();
    if (hit.kind == HitTeacherRow) {
        cell.teacherIndex = hit.row;
        if (grid.PeekBooking(hit.slot, hit.row) != nullptr) {
            cell.appointment = grid.GetBooking(hit.slot, hit.row);
        }
        ShowMenu(
            cell.appointment.expired() ? OverviewMenuKind::Teacher : OverviewMenuKind::Appointment,
            at);
    } else {
        cell.parentIndex = hit.row;
        cell.appointment = grid.FindParentBooking(
            hit.slot, event_->GetParents().Get(static_cast<unsigned>(hit.row)), &cell.teacherIndex);
        ShowMenu(
            cell.appointment.expired() ? OverviewMenuKind::Parent : OverviewMenuKind::Appointment,
            at);
    }
}

void OverviewPane::ShowMenu(OverviewMenuKind kind, const wxPoint& at) {
    FrameActions* actions = TheFrameActions();
    const PopupMenuTable table = OverviewMenu(
        kind, actions ? actions->GetFrameState() : FrameState{},
        menuTarget_.cell.hit.kind == HitTeacherRow,
        [actions](CommandId id) { return actions != nullptr && actions->HasCommand(id); });
    std::unique_ptr<wxMenu> menu(BuildPopupMenu(table));
    // A choice from this menu acts on its cell; the same ids from the menu bar never get here.
    menu->Bind(wxEVT_MENU, [this](wxCommandEvent& chosen) {
        if (FrameActions* window = TheFrameActions()) {
            window->RunCommand(CommandOfWxId(chosen.GetId()), menuTarget_, this);
        }
    });
    ShowPopup(*menu, at);
}

void OverviewPane::ShowPopup(wxMenu& menu, const wxPoint& at) {
    PopupMenu(&menu, at);
}

Teacher* OverviewPane::TeacherAt(int index) const {
    return event_ && index >= 0 ? event_->GetTeachers().Get(static_cast<unsigned>(index)) : nullptr;
}

Teacher* OverviewCellSelection::GetSelectedTeacher() const {
    return cell.event && cell.teacherIndex >= 0
               ? cell.event->GetTeachers().Get(static_cast<unsigned>(cell.teacherIndex))
               : nullptr;
}

Parent* OverviewCellSelection::GetSelectedParent() const {
    if (const std::shared_ptr<Appointment> booking = cell.appointment.lock()) {
        const AppointmentRequest* request = booking->GetRequest();
        return request ? request->GetParent() : nullptr;
    }
    return cell.event && cell.parentIndex >= 0
               ? cell.event->GetParents().Get(static_cast<unsigned>(cell.parentIndex))
               : nullptr;
}

Pupil* OverviewCellSelection::GetSelectedPupil() const {
    const std::shared_ptr<Appointment> booking = cell.appointment.lock();
    const AppointmentRequest* request = booking ? booking->GetRequest() : nullptr;
    return request ? request->GetPupil() : nullptr;
}

OverviewView* CreateOverviewPane(wxWindow* parent, QMController* controller) {
    return new OverviewPane(parent, controller);
}
