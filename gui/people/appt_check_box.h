#pragma once

#include <wx/checkbox.h>

#include <string>

// A check box for one possible appointment request: ticked means the request exists, and the
// label's suffix shows the priority the request gets. Unticking moves the priority on, so a
// user changes a ticked request's priority by clicking it off and on again.
class ApptCheckBox : public wxCheckBox {
public:
    ApptCheckBox(wxWindow* parent, const std::string& label);

    int GetPriority() const { return priority_; }
    void SetPriority(int priority) { priority_ = priority; }
    const std::string& GetBaseLabel() const { return baseLabel_; }
    void SetBaseLabel(const std::string& label, bool relayout = true);
    // relayout false leaves the parent's layout to a caller relabelling many boxes at once.
    void UpdateLabel(bool relayout = true);

private:
    void OnCheckBox(wxCommandEvent& event);

    int priority_ = 1;
    std::string baseLabel_;
};
