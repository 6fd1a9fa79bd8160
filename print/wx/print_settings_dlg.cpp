#include "print/wx/print_settings_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <tuple>

#include <locale.h>
#include <stdlib.h>

#include "app/qm_controller.h"
#include "app/user_settings.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "model/print_settings.h"

double ParsePointSize(const std::string& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale == locale_t{}) {
        return 0;
    }
    char* rest = nullptr;
    const double value = strtod_l(text.c_str(), &rest, cLocale);
    if (!std::isfinite(value)) {
        return 0;
    }
    // "7,5" is a decimal comma, not 7 followed by a remark: refused rather than cut short.
    if (rest != text.c_str() && *rest == ',') {
        return 0;
    }
    return value;
}

std::string FormatPointSize(double points) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, points, std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

namespace {

wxCheckBox* AddCheckBox(wxWindow* parent, wxSizer* sizer, const char* label, bool value) {
    auto* box = new wxCheckBox(parent, wxID_ANY, label);
    box->SetValue(value);
    sizer->Add(box, 0, wxALL, 3);
    return box;
}

// Browse buttons stay beside their fields.
wxTextCtrl* AddFileRow(OKCancelDlg* dialog, wxSizer* sizer, const char* label,
                       const std::string& value, int browseId) {
    sizer->Add(new wxStaticText(dialog, wxID_ANY, label), 0, wxLEFT | wxRIGHT | wxTOP, 5);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* field = new wxTextCtrl(dialog, wxID_ANY, FromUtf8(value), wxDefaultPosition,
                                 dialog->ScaledSize(280));
    row->Add(field, 0, wxALL, 5);
    row->Add(
        new wxButton(dialog, browseId, "Browse...", wxDefaultPosition, dialog->ScaledSize(115)), 0,
        wxTOP | wxBOTTOM | wxRIGHT, 5);
    sizer->Add(row, 0, 0, 0);
    return field;
}

}  // namespace

PrintSettingsDlg::PrintSettingsDlg(wxWindow* parent, PrintSettings* settings,
                                   QMController* controller, const char* heading)
    : OKCancelDlg(parent, "Print Settings"),
      settings_(settings),
      controller_(controller),
      heading_(heading ? heading : "") {
    GetMainSizer()->Add(new wxStaticText(this, wxID_ANY, FromUtf8(heading_)), 0, wxALL, 5);
    auto* group = new wxStaticBoxSizer(wxVERTICAL, this, "What gets printed");
    const PrintSettings& s = *settings_;
    const std::pair<const char*, bool> boxes[kBoxCount] = {
        {"Teacher Handouts", s.GetTeachers()},
        {"Parent Handouts", s.GetParents()},
        {"Teacher Overviews", s.GetTeacherOverviews()},
        {"Parent Overviews", s.GetParentOverviews()},
        {"Include sheets that have been emailed already", s.GetIncludeAlreadySent()},
        {"Include teacher breaks", s.GetTeacherBreaks()},
        {"List unbooked appointments", s.GetListUnbooked()},
    };
    for (int i = 0; i < kBoxCount; ++i) {
        boxes_[i] = AddCheckBox(group->GetStaticBox(), group, boxes[i].first, boxes[i].second);
    }
    GetMainSizer()->Add(group, 0, wxALL | wxEXPAND, 5);
    GetMainSizer()->Add(new wxButton(this, WxId(Id::Advanced), "Advanced Settings"), 0, wxALL, 5);
    AddOKCancelButtons();
    Bind(wxEVT_BUTTON, &PrintSettingsDlg::OnAdvanced, this, WxId(Id::Advanced));
    CentreOnParent(wxBOTH);
}

void PrintSettingsDlg::OnAdvanced(wxCommandEvent&) {
    PrintSettingsAdvDlg advanced(this, settings_, controller_, heading_.c_str());
    advanced.ShowModal();
}

bool PrintSettingsDlg::TransferDataFromWindow() {
    PrintSettings& s = *settings_;
    // Checked before anything is copied, so that Cancel after a refusal keeps the settings.
    if (!boxes_[0]->GetValue() && !boxes_[1]->GetValue() && !s.GetPupils() &&
        !boxes_[2]->GetValue() && !boxes_[3]->GetValue()) {
        ReportMessage(SeverityError,
                      "Nothing is selected for printing, please choose the printouts you wish to "
                      "produce and try again");
        return false;
    }
    s.SetTeachers(boxes_[0]->GetValue());
    s.SetParents(boxes_[1]->GetValue());
    s.SetTeacherOverviews(boxes_[2]->GetValue());
    s.SetParentOverviews(boxes_[3]->GetValue());
    s.SetIncludeAlreadySent(boxes_[4]->GetValue());
    s.SetTeacherBreaks(boxes_[5]->GetValue());
    s.SetListUnbooked(boxes_[6]->GetValue());
    s.SetModified();
    return true;
}

PrintSettingsAdvDlg::PrintSettingsAdvDlg(wxWindow* parent, PrintSettings* settings,
                                         QMController* controller, const char* heading)
    : OKCancelDlg(parent, "Advanced Print Settings"), settings_(settings), controller_(controller) {
    const PrintSettings defaults;
    const PrintSettings& s = settings_ ? *settings_ : defaults;
    wxSizer* main = GetMainSizer();
    main->Add(new wxStaticText(this, wxID_ANY, FromUtf8(heading ? heading : "")), 0, wxALL, 5);

    auto* how = new wxStaticBoxSizer(wxVERTICAL, this, "How it gets printed");
    wxWindow* howBox = how->GetStaticBox();
    qrCodes_ = AddCheckBox(howBox, how, "Printouts have QR codes at the bottom", s.GetQRCodes());
    sansSerif_ =
        AddCheckBox(howBox, how, "Printouts use Arial font instead of Times", s.GetUseSansSerif());
    auto* sizeRow = new wxBoxSizer(wxHORIZONTAL);
    smallFont_ = new wxCheckBox(howBox, wxID_ANY, "Use small font for teacher handouts (size:");
    smallFont_->SetValue(s.GetSmallTeacherFont());
    sizeRow->Add(smallFont_, 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    size_ = new wxTextCtrl(howBox, wxID_ANY, FormatPointSize(s.GetSmallFontSize()),
                           wxDefaultPosition, ScaledSize(50));
    sizeRow->Add(size_, 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    sizeRow->Add(new wxStaticText(howBox, wxID_ANY, "pt)"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    how->Add(sizeRow, 0, 0, 0);
    oneParent_ = AddCheckBox(howBox, how, "Parent handouts are one parent per sheet instead of two",
                             s.GetOneParentPerSheet());
    main->Add(how, 0, wxALL | wxEXPAND, 5);

    auto* order = new wxStaticBoxSizer(wxHORIZONTAL, this, "Parent Printouts ordered by");
    const char* orderLabels[3] = {"Parent Name", "Pupil Name", "Pupil Form"};
    for (int i = 0; i < 3; ++i) {
        order_[i] = new wxRadioButton(order->GetStaticBox(), wxID_ANY, orderLabels[i],
                                      wxDefaultPosition, wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        order->Add(order_[i], 0, wxALL, 3);
    }
    const int currentOrder = static_cast<int>(s.GetParentPrintOrder());
    if (currentOrder >= 0 && currentOrder < 3) {
        order_[currentOrder]->SetValue(true);
    }
    main->Add(order, 0, wxALL | wxEXPAND, 5);

    // A GTK radio group always has one button on: a hidden third one stands for a stored type
    // that is neither of the two.
    auto* calendar =
        new wxStaticBoxSizer(wxHORIZONTAL, this, "Calendar attachments and QR codes show");
    const char* calendarLabels[2] = {"Attendee's appointment times", "Event start and end times"};
    const int calendarType = controller_ ? controller_->GetUserSettings().GetICalendarType() : 0;
    for (int i = 0; i < 2; ++i) {
        calendar_[i] = new wxRadioButton(calendar->GetStaticBox(), wxID_ANY, calendarLabels[i],
                                         wxDefaultPosition, wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        calendar->Add(calendar_[i], 0, wxALL, 3);
    }
    auto* neither = new wxRadioButton(calendar->GetStaticBox(), wxID_ANY, "");
    neither->Hide();
    (calendarType == 0 || calendarType == 1 ? calendar_[calendarType] : neither)->SetValue(true);
    calendarShown_ = calendarType;
    main->Add(calendar, 0, wxALL | wxEXPAND, 5);

    const wxSize notesSize(400, 3 * GetRowHeight());
    main->Add(new wxStaticText(this, wxID_ANY, "Notes for parents:"), 0, wxLEFT | wxTOP, 5);
    parentNotes_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(s.GetParentNotes()), wxDefaultPosition,
                                  notesSize, wxTE_MULTILINE);
    main->Add(parentNotes_, 0, wxALL, 5);
    main->Add(new wxStaticText(this, wxID_ANY, "Notes for teachers:"), 0, wxLEFT | wxTOP, 5);
    teacherNotes_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(s.GetTeacherNotes()), wxDefaultPosition,
                                   notesSize, wxTE_MULTILINE);
    main->Add(teacherNotes_, 0, wxALL, 5);

    const UserSettings* user = controller_ ? &controller_->GetUserSettings() : nullptr;
    logo_ = AddFileRow(this, main, "Logo filename:", s.GetLogoFile(), WxId(Id::BrowseLogo));
    parentScript_ =
        AddFileRow(this, main, "Parent script:", user ? user->Get("parentprintscript") : "",
                   WxId(Id::BrowseParentScript));
    teacherScript_ =
        AddFileRow(this, main, "Teacher script:", user ? user->Get("teacherprintscript") : "",
                   WxId(Id::BrowseTeacherScript));
    parentScriptShown_ = parentScript_->GetValue();
    teacherScriptShown_ = teacherScript_->GetValue();

    AddOKCancelButtons();
    Bind(wxEVT_BUTTON, &PrintSettingsAdvDlg::OnBrowse, this, WxId(Id::BrowseLogo),
         WxId(Id::BrowseTeacherScript));
    CentreOnParent(wxBOTH);
}

void PrintSettingsAdvDlg::OnBrowse(wxCommandEvent& event) {
    static const char* const kScripts = "Lua scripts (*.lua)|*.lua";
    FileRequest request;
    request.style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    wxTextCtrl* field = nullptr;
    switch (event.GetId()) {
        case WxId(Id::BrowseLogo):
            request.message = "Choose a file to display as a logo";
            request.wildcard = "All files (*.*)|*";
            field = logo_;
            break;
        case WxId(Id::BrowseParentScript):
            request.message = "Choose a file for the parent printout script";
            request.wildcard = kScripts;
            field = parentScript_;
            break;
        default:
            request.message = "Choose a file for the teacher printout script";
            request.wildcard = kScripts;
            field = teacherScript_;
            break;
    }
    FileChoice choice;
    if (PromptService::Current().ChooseFile(this, request, &choice)) {
        field->SetValue(choice.path);
    }
}

bool PrintSettingsAdvDlg::TransferDataFromWindow() {
    double points = 0;
    if (settings_ != nullptr) {
        const std::string size = EnteredText(size_->GetValue());
        // The box shows one decimal place; left as shown, it keeps the size stored, finer or
        // not one the box would take, and only a size typed is checked.
        points = settings_->GetSmallFontSize();
        if (size != FormatPointSize(points)) {
            points = ParsePointSize(size);
            if (points <= 0) {
                ReportMessage(SeverityError,
                              "An invalid point size has been entered for the small font, please "
                              "correct this and try again");
                return false;
            }
        }
    }
    // The calendar type and both scripts reach the file in one write, so one message at most.
    std::optional<UserSettings::WriteHold> oneWrite;
    if (controller_ != nullptr) {
        oneWrite.emplace(controller_->GetUserSettings());
    }
    if (settings_ != nullptr) {
        PrintSettings& s = *settings_;
        s.SetQRCodes(qrCodes_->GetValue());
        s.SetUseSansSerif(sansSerif_->GetValue());
        s.SetSmallTeacherFont(smallFont_->GetValue());
        s.SetOneParentPerSheet(oneParent_->GetValue());
        s.SetSmallFontSize(points);
        for (int i = 0; i < 3; ++i) {
            if (order_[i]->GetValue()) {
                s.SetParentPrintOrder(static_cast<ParentPrintOrder>(i));
            }
        }
        s.SetModified();
        if (controller_ != nullptr) {
            for (int i = 0; i < 2; ++i) {
                if (calendar_[i]->GetValue() && i != calendarShown_) {
                    controller_->GetUserSettings().SetICalendarType(i);
                }
            }
        }
        s.SetParentNotes(EnteredText(parentNotes_->GetValue()));
        s.SetTeacherNotes(EnteredText(teacherNotes_->GetValue()));
        s.SetLogoFile(EnteredText(logo_->GetValue()));
    }
    if (controller_ != nullptr) {
        UserSettings& user = controller_->GetUserSettings();
        const std::tuple<const char*, wxTextCtrl*, const wxString&> scripts[] = {
            {"parentprintscript", parentScript_, parentScriptShown_},
            {"teacherprintscript", teacherScript_, teacherScriptShown_}};
        for (const auto& [key, field, shown] : scripts) {
            if (field->GetValue() == shown) {
                continue;
            }
            const std::string path = ToUtf8(field->GetValue());
            if (path.empty()) {
                user.Delete(key);
            } else {
                user.Set(key, path);
            }
        }
    }
    return true;
}
