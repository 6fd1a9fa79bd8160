#pragma once

#include <wx/scrolwin.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "gui/main/overview_layout.h"
#include "gui/main/popup_menus.h"
#include "gui/main/schedule_views.h"

class Appointment;
class Event;
class QMController;
class wxTipWindow;

// What a command chosen in the overview's popup acts on: the cell under the popup, its teacher
// (the booking's, on a parent's row), its parent and its booked pupil.
class OverviewCellSelection : public Selection {
public:
    Person* GetSelectedObject() const override { return nullptr; }
    Teacher* GetSelectedTeacher() const override;
    Parent* GetSelectedParent() const override;
    Pupil* GetSelectedPupil() const override;
    Presentation* GetSelectedPresentation() const override { return nullptr; }
    std::string GetSelectedGroupName() const override { return {}; }
    OverviewCell* GetSelectedCell() const override { return &cell; }

    mutable OverviewCell cell;
};

// The painted timetable: a row per teacher, then a row per parent, a cell per slot of every
// day, coloured by what the slot holds; counts and labels to the right. Hovering a booked cell
// shows who meets whom; a right-click offers the commands that fit the cell, which the window
// runs on it. It only reads the model while painting, and painting and hovering never report.
class OverviewPane : public wxScrolledWindow, public OverviewView {
public:
    // The least width of the scrolled area.
    static constexpr int kVirtualWidth = 2000;
    static constexpr int kScrollRate = 10;

    OverviewPane(wxWindow* parent, QMController* controller);
    ~OverviewPane() override;

    // OverviewView
    wxWindow* GetWindow() override { return this; }
    void SetSchedule(MultiDaySchedule* schedule) override;
    void ShowChanges(const EventChanges& changes) override;
    void Repaint() override { Refresh(true); }
    void SetHoverTips(bool on) override { hoverTips_ = on; }

    // Paints into a context already prepared for the scroll position; only the rows that meet
    // the exposed region (window coordinates) are drawn.
    void Render(wxDC& dc, const wxRegion& exposed);

    const OverviewGeometry& GetGeometry() const { return geometry_; }
    int GetVirtualHeight() const { return virtualHeight_; }
    int GetVirtualWidth() const { return virtualWidth_; }
    MultiDaySchedule* GetSchedule() const { return schedule_; }
    // The hit under a point in window coordinates.
    OverviewHit HitTestAt(const wxPoint& windowPoint) const;
    const OverviewHit& GetLastHit() const { return menuTarget_.cell.hit; }

    void OnPaint(wxPaintEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnRightDown(wxMouseEvent& event);

protected:
    // Both would block or linger in a test: tests replace them.
    virtual void ShowPopup(wxMenu& menu, const wxPoint& at);
    virtual void ShowTip(const wxString& text, const wxRect& screenRect);

private:
    void DrawTimeAxis(wxDC& dc, int top, int bottom, int cell);
    // False when there is no such person.
    bool DrawTeacherRow(wxDC& dc, int index, int y, int cell, const OverviewPalette& palette);
    bool DrawParentRow(wxDC& dc, int index, int y, int cell, const OverviewPalette& palette);
    // Fills one day's cells from x onward and returns the x after them.
    int DrawCells(wxDC& dc, const std::vector<Colour>& cells, int x, int y, int cell);
    // Every day's cells of one row, one gap before each day; returns the x of the count column.
    int DrawDayRow(wxDC& dc, int y, int cell,
                   const std::function<void(const Schedule&, std::vector<Colour>*)>& dayColours);
    void DrawCellOutlines(wxDC& dc, int rowsTop, const std::vector<int>& rows, int cell);
    const wxBrush& BrushFor(const Colour& colour);
    bool RowExposed(const wxRegion& exposed, int y, int height) const;
    void ShowMenu(OverviewMenuKind kind, const wxPoint& at);
    Teacher* TeacherAt(int index) const;

    QMController* controller_;
    MultiDaySchedule* schedule_ = nullptr;
    std::shared_ptr<Event> event_;
    wxFont headingFont_;
    wxFont cellFont_;
    wxTipWindow* tipWindow_ = nullptr;
    bool hoverTips_ = true;
    int virtualWidth_ = kVirtualWidth;
    int virtualHeight_ = kVirtualWidth;
    OverviewGeometry geometry_;
    // What the last right-click was over; its popup's commands act on it.
    OverviewCellSelection menuTarget_;
    // Brushes made so far, by packed colour: making one costs more than painting a cell.
    std::unordered_map<std::uint32_t, wxBrush> brushes_;
};
