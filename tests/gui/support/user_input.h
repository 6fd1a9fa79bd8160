#pragma once

#include <wx/checkbox.h>
#include <wx/window.h>

// What a user's click does, as events: the controls' own handlers run first, then the windows
// that hold them.

// A press of the button with this id in `window`.
inline void Press(wxWindow* window, int id) {
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(window->FindWindow(id));
    window->ProcessWindowEvent(click);
}

// The box set to `value`, with the event a click sends, even when it already held the value.
inline void Tick(wxCheckBox* box, bool value) {
    box->SetValue(value);
    wxCommandEvent changed(wxEVT_CHECKBOX, box->GetId());
    changed.SetEventObject(box);
    changed.SetInt(value ? 1 : 0);
    box->ProcessWindowEvent(changed);
}
