#include "gui/people/attendee_pres_dlg.h"

#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/dialogs/prompt_service.h"
#include "gui/people/people_edits.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

AttendeePresDlg::AttendeePresDlg(wxWindow* parent, Attendee* attendee, MultiDaySchedule* days)
    : OKCancelDlg(parent, "Presentations"), attendee_(attendee), days_(days) {
    GetMainSizer()->Add(
        new wxStaticText(
            this, wxID_ANY,
            wxControl::EscapeMnemonics(FromUtf8("Choose the presentations for " +
                                                attendee_->GetDisplayName() + " to attend:"))),
        0, wxALIGN_CENTER | wxALL, 5);
    boxes_.reserve(10);
    if (const Event* event = days_->GetEvent().get()) {
        const PresentationList& presentations = event->GetPresentations();
        for (unsigned i = 0; i < presentations.Count(); ++i) {
            const Presentation* presentation = presentations.GetPresentation(i);
            auto* box = new wxCheckBox(
                this, wxID_ANY,
                wxControl::EscapeMnemonics(FromUtf8(presentation->GetDescription())));
            box->SetValue(attendee_->AttendsPresentation(presentation));
            GetMainSizer()->Add(box, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
            boxes_.push_back(box);
        }
    }
    AddOKCancelButtons();
    Centre(wxBOTH);
}

bool AttendeePresDlg::TransferDataFromWindow() {
    const Event* event = days_->GetEvent().get();
    if (event == nullptr) {
        return true;
    }
    std::vector<Presentation*> chosen;
    for (unsigned i = 0; i < boxes_.size(); ++i) {
        if (boxes_[i]->GetValue()) {
            chosen.push_back(event->GetPresentations().GetPresentation(i));
        }
    }
    return SetPresentationsAttended(*days_, *attendee_, chosen);
}
