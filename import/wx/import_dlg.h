#pragma once

#include <memory>
#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"
#include "import/imported_people.h"

class Event;
class ImportPreviewTree;
class ImportRun;
class ImporterBase;
class ImporterCSV;
class MultiDaySchedule;
class QMController;
class StdioFile;
class wxButton;
class wxComboBox;
class wxRadioButton;
class wxTextCtrl;

// Opens a file chosen for import: one message and null when no name was given, the file is
// missing, or it cannot be read.
std::unique_ptr<StdioFile> OpenImportFile(const std::string& path);

// "Import teachers" or "Import pupils": imports from a file or through the SIMS report program
// into a preview event of its own, as often as the user likes, and shows the sum in a tree.
// Nothing reaches the open event here: after OK the caller moves the previewed people over.
// A CSV import saved under a name joins the open event's importers at once.
class ImportDlg : public OKCancelDlg {
public:
    enum class Id : int { Browse = 1, PerformImport = 2 };
    static constexpr const char* kCSVFileType = "CSV (spreadsheet)";

    // kind 0 teachers, 1 pupils. The controller is not owned; its schedule gives the preview
    // its days.
    ImportDlg(wxWindow* parent, QMController* controller, PeopleImport who);
    ~ImportDlg() override;

    MultiDaySchedule* GetPreviewSchedule() const { return previewSchedule_.get(); }
    const std::shared_ptr<Event>& GetPreviewEvent() const { return previewEvent_; }
    bool IsPupils() const { return who_ == PeopleImport::Pupils; }

    void RefreshFileTypes();
    void OnSourceChanged(wxCommandEvent& event);
    void OnBrowse(wxCommandEvent& event);
    void OnPerformImport(wxCommandEvent& event);
    // Each road stops at its first failure with one message; true when an import ran.
    bool ImportFromFile();
    bool ImportFromSIMS();

    wxTextCtrl* GetFileNameText() const { return fileName_; }
    wxComboBox* GetFileTypeChoice() const { return fileType_; }
    wxButton* GetBrowseButton() const { return browse_; }
    wxRadioButton* GetFileRadio() const { return fileRadio_; }
    wxRadioButton* GetSIMSRadio() const { return simsRadio_; }
    ImportPreviewTree* GetPreviewTree() const { return tree_; }

private:
    // The CSV definition dialog for the file, then an importer as it describes; null on Cancel
    // or a refused description.
    std::unique_ptr<ImporterCSV> DefineCSVImport(StdioFile& file);
    // The importer over the whole file into the preview, under the progress dialog.
    void RunImport(const ImporterBase& importer, StdioFile& file);

    QMController* controller_;
    std::shared_ptr<Event> previewEvent_;
    std::unique_ptr<MultiDaySchedule> previewSchedule_;
    ImportPreviewTree* tree_ = nullptr;
    wxTextCtrl* fileName_ = nullptr;
    wxComboBox* fileType_ = nullptr;
    wxButton* browse_ = nullptr;
    wxRadioButton* fileRadio_ = nullptr;
    wxRadioButton* simsRadio_ = nullptr;
    PeopleImport who_;
};
