#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class PrintSettings;
class QMController;
class wxCheckBox;
class wxCommandEvent;
class wxRadioButton;
class wxTextCtrl;

// Point sizes are read and shown in the C locale, so "7.5" stays 7.5 on any desktop. Read as
// atof reads (hexadecimal too); text after the number is ignored ("7.5pt" is 7.5); text that is
// not a finite number reads as 0, as does a number followed by a comma.
double ParsePointSize(const std::string& text);
std::string FormatPointSize(double points);

// What a print run produces: the handouts and overviews and which sheets they include. Edits
// the settings in place; the advanced dialog behind its button edits how they look.
class PrintSettingsDlg : public OKCancelDlg {
public:
    PrintSettingsDlg(wxWindow* parent, PrintSettings* settings, QMController* controller,
                     const char* heading);

    // Copies the boxes into the settings; false, with a message, when nothing is selected.
    bool TransferDataFromWindow() override;

    enum class Id : int { Advanced = 1 };
    wxCheckBox* GetBox(int index) const { return boxes_[index]; }
    static constexpr int kBoxCount = 7;

private:
    void OnAdvanced(wxCommandEvent& event);

    wxCheckBox* boxes_[kBoxCount] = {};
    PrintSettings* settings_;
    QMController* controller_;
    std::string heading_;
};

// How the printouts look: QR codes, fonts, sheets per page, the parents' order, what the
// calendar entries hold, notes, logo and print scripts. Without settings only the scripts are
// stored.
class PrintSettingsAdvDlg : public OKCancelDlg {
public:
    PrintSettingsAdvDlg(wxWindow* parent, PrintSettings* settings, QMController* controller,
                        const char* heading);

    bool TransferDataFromWindow() override;

    enum class Id : int { BrowseLogo = 1, BrowseParentScript = 2, BrowseTeacherScript = 3 };
    wxCheckBox* GetQRCodesBox() const { return qrCodes_; }
    wxCheckBox* GetSansSerifBox() const { return sansSerif_; }
    wxCheckBox* GetSmallFontBox() const { return smallFont_; }
    wxCheckBox* GetOneParentBox() const { return oneParent_; }
    wxTextCtrl* GetSizeField() const { return size_; }
    wxRadioButton* GetOrderButton(int order) const { return order_[order]; }
    wxRadioButton* GetCalendarButton(int type) const { return calendar_[type]; }
    wxTextCtrl* GetParentNotesField() const { return parentNotes_; }
    wxTextCtrl* GetTeacherNotesField() const { return teacherNotes_; }
    wxTextCtrl* GetLogoField() const { return logo_; }
    wxTextCtrl* GetParentScriptField() const { return parentScript_; }
    wxTextCtrl* GetTeacherScriptField() const { return teacherScript_; }

private:
    void OnBrowse(wxCommandEvent& event);

    PrintSettings* settings_;
    QMController* controller_;
    wxCheckBox* qrCodes_;
    wxCheckBox* sansSerif_;
    wxCheckBox* smallFont_;
    wxCheckBox* oneParent_;
    wxTextCtrl* size_;
    wxRadioButton* order_[3];
    wxRadioButton* calendar_[2];
    wxTextCtrl* parentNotes_;
    wxTextCtrl* teacherNotes_;
    wxTextCtrl* logo_;
    wxTextCtrl* parentScript_;
    wxTextCtrl* teacherScript_;
    // The user's settings as shown: only what the user changed is stored, so that another copy
    // of the program that changed the others meanwhile keeps its change.
    int calendarShown_ = 0;
    wxString parentScriptShown_;
    wxString teacherScriptShown_;
};
