#pragma once

#include <memory>
#include <string>

#include "foundation/date_time.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class Event;
class MultiDaySchedule;
class Parent;
class Pupil;
class wxButton;
class wxCommandEvent;
class wxListBox;
class wxTextCtrl;
struct RequestEntry;

// The editor of one pupil: name, form, house and e-mail wait for OK; its requests change at
// once (added, edited, removed, unbooked, booked by hand), whatever the dialog's end.
class PupilDlg : public OKCancelDlg {
public:
    enum class Id : int {
        AddRequest = 1,
        RemoveRequest = 2,
        EditRequest = 3,
        Unbook = 4,
        ManualBook = 5,
        Requests = 6
    };

    PupilDlg(wxWindow* parent, Parent* owner, Pupil* pupil, MultiDaySchedule* days);

    bool TransferDataFromWindow() override;
    void RefreshLists();
    // The selected request; the only one when nothing is selected; else -1.
    int GetSelectedIndex() const;

    // The request operations behind the buttons, once their questions are answered.
    bool AddRequest(const RequestEntry& entry);
    bool EditRequest(int index, int priority, int length);
    bool RemoveRequest(int index);
    bool Unbook(int index);
    bool BookAt(int index, const DateTime& when);

    wxTextCtrl* GetNameText() const { return name_; }
    wxTextCtrl* GetFormText() const { return form_; }
    wxTextCtrl* GetHouseText() const { return house_; }
    wxTextCtrl* GetEmailText() const { return email_; }
    wxListBox* GetRequestsList() const { return requests_; }
    wxListBox* GetTaughtByList() const { return taughtBy_; }

private:
    void BuildControls();
    // The selection, or the missing-selection message and -1.
    int SelectedOrReport() const;
    bool Confirm(const std::string& question, const char* caption);
    void OnAddRequest(wxCommandEvent& event);
    void OnEditRequest(wxCommandEvent& event);
    void OnRemoveRequest(wxCommandEvent& event);
    void OnUnbook(wxCommandEvent& event);
    void OnManualBook(wxCommandEvent& event);

    Parent* parent_;
    Pupil* pupil_;
    std::shared_ptr<Event> event_;
    MultiDaySchedule* days_;
    wxTextCtrl* name_ = nullptr;
    wxTextCtrl* form_ = nullptr;
    wxTextCtrl* house_ = nullptr;
    wxTextCtrl* email_ = nullptr;
    wxListBox* requests_ = nullptr;
    wxListBox* taughtBy_ = nullptr;
    wxButton* editButton_ = nullptr;
    wxButton* removeButton_ = nullptr;
    wxButton* unbookButton_ = nullptr;
};
