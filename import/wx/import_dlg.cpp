#include "import/wx/import_dlg.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/qm_controller.h"
#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "import/import_factory.h"
#include "import/run_messages.h"
#include "import/sims_command_reporter.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_preview_tree.h"
#include "import/wx/import_progress_dlg.h"
#include "import/wx/sims_details_dlg.h"
#include "import/wx/sims_progress_dlg.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"

namespace {

const char* const kCannotReadMessage =
    "Cannot read data from the file you selected. Either you do not have permission to read "
    "it, or the disk the file is stored on has physical errors. If you suspect it is a "
    "permissions problem, please see your system administrator.";

// The message guesses at the cause; the system's own reason goes below it.
void ReportCannotRead(const std::string& reason) {
    UCError::Current().AddDetail(reason);
    ReportMessage(SeverityError, kCannotReadMessage);
}

bool EndsWithCSV(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return end == ".csv";
}

}  // namespace

std::unique_ptr<StdioFile> OpenImportFile(const std::string& path) {
    if (path.empty()) {
        ReportMessage(SeverityError,
                      "You have not entered a filename yet. Please click on the 'Browse' button "
                      "and choose a file to import.");
        return nullptr;
    }
    FileName name(path);
    if (!name.Exists()) {
        ReportMessage(SeverityError,
                      "The filename you have entered does not exist. Please click on the "
                      "'Browse' button and choose a file to import.");
        return nullptr;
    }
    // A folder yields nothing, and a FIFO would hold the window until something wrote to it.
    std::string why;
    auto file = std::make_unique<StdioFile>(OpenOrdinaryFile(path, &why));
    if (file->GetFile() == nullptr) {
        ReportCannotRead(why);
        return nullptr;
    }
    return file;
}

ImportDlg::ImportDlg(wxWindow* parent, QMController* controller, PeopleImport who)
    : OKCancelDlg(parent, who == PeopleImport::Pupils ? "Import pupils" : "Import teachers"),
      controller_(controller),
      previewEvent_(std::make_shared<Event>()),
      who_(who) {
    const MultiDaySchedule* current = controller_ ? controller_->GetSchedule() : nullptr;
    previewSchedule_ = current ? current->CreateLike(previewEvent_)
                               : std::make_unique<MultiDaySchedule>(previewEvent_);

    wxBoxSizer* main = GetMainSizer();
    auto* source = new wxStaticBoxSizer(wxHORIZONTAL, this, "Import source");
    fileRadio_ = new wxRadioButton(source->GetStaticBox(), wxID_ANY, "File", wxDefaultPosition,
                                   wxDefaultSize, wxRB_GROUP);
    simsRadio_ = new wxRadioButton(source->GetStaticBox(), wxID_ANY, "SIMS");
    fileRadio_->SetValue(true);
    source->Add(fileRadio_, 0, wxALL, 5);
    source->Add(simsRadio_, 0, wxALL, 5);
    main->Add(source, 0, wxALL | wxEXPAND, 5);

    auto* details = new wxStaticBoxSizer(wxVERTICAL, this, "File import details");
    wxWindow* box = details->GetStaticBox();
    auto* grid = new wxFlexGridSizer(3, 5, 5);
    grid->Add(new wxStaticText(box, wxID_ANY, "Filename:"), 0, wxALIGN_CENTER_VERTICAL);
    fileName_ = new wxTextCtrl(box, wxID_ANY, "", wxDefaultPosition, ScaledSize(400));
    grid->Add(fileName_, 0, 0);
    browse_ = new wxButton(box, WxId(Id::Browse), "Browse...", wxDefaultPosition, ScaledSize(150));
    grid->Add(browse_, 0, 0);
    grid->Add(new wxStaticText(box, wxID_ANY, "File type:"), 0, wxALIGN_CENTER_VERTICAL);
    fileType_ = new wxComboBox(box, wxID_ANY, "", wxDefaultPosition, ScaledSize(400), 0, nullptr,
                               wxCB_DROPDOWN | wxCB_READONLY);
    grid->Add(fileType_, 0, 0);
    grid->Add(new wxStaticText(box, wxID_ANY, ""), 0, 0);
    details->Add(grid, 0, wxALL, 5);
    main->Add(details, 0, wxLEFT | wxRIGHT | wxEXPAND, 5);

    main->Add(new wxButton(this, WxId(Id::PerformImport), "Perform Import", wxDefaultPosition,
                           ScaledSize(150)),
              0, wxALL, 5);
    main->Add(new wxStaticText(this, wxID_ANY,
                               "The following people will be imported when you click the 'OK' "
                               "button:"),
              0, wxLEFT | wxRIGHT, 5);
    tree_ = CreateImportPreviewTree(this, previewEvent_);
    tree_->GetWindow()->SetMinSize(wxSize(600, 200));
    main->Add(tree_->GetWindow(), 1, wxALL | wxEXPAND, 5);
    AddOKCancelButtons();
    RefreshFileTypes();
    Centre(wxBOTH);

    Bind(wxEVT_BUTTON, &ImportDlg::OnBrowse, this, WxId(Id::Browse));
    Bind(wxEVT_BUTTON, &ImportDlg::OnPerformImport, this, WxId(Id::PerformImport));
    Bind(wxEVT_RADIOBUTTON, &ImportDlg::OnSourceChanged, this);
}

ImportDlg::~ImportDlg() = default;

void ImportDlg::RefreshFileTypes() {
    fileType_->Clear();
    const Event* event = controller_ ? controller_->GetEvent().get() : nullptr;
    for (unsigned i = 0; event != nullptr; ++i) {
        const ImporterBase* importer =
            IsPupils() ? event->GetPupilImporter(i) : event->GetTeacherImporter(i);
        if (importer == nullptr) {
            break;
        }
        fileType_->Append(FromUtf8(importer->GetDescription()));
    }
    fileType_->Append(kCSVFileType);
    fileType_->SetSelection(0);
}

void ImportDlg::OnSourceChanged(wxCommandEvent&) {
    const bool fromFile = fileRadio_->GetValue();
    fileName_->Enable(fromFile);
    browse_->Enable(fromFile);
    fileType_->Enable(fromFile);
}

void ImportDlg::OnBrowse(wxCommandEvent&) {
    FileChoice choice;
    const FileRequest request{
        "Choose a file to import",
        "All Files (*.*)|*|CSV Files (*.csv)|*.csv;*.CSV|Text Files (*.txt)|*.txt;*.TXT|"
        "XML Files (*.xml)|*.xml;*.XML",
        wxFD_OPEN | wxFD_FILE_MUST_EXIST};
    if (!PromptService::Current().ChooseFile(this, request, &choice)) {
        return;
    }
    fileName_->SetValue(choice.path);
    if (EndsWithCSV(ToUtf8(choice.path))) {
        fileType_->SetSelection(static_cast<int>(fileType_->GetCount()) - 1);
    }
}

void ImportDlg::OnPerformImport(wxCommandEvent&) {
    if (fileRadio_->GetValue()) {
        ImportFromFile();
    } else {
        ImportFromSIMS();
    }
}

std::unique_ptr<ImporterCSV> ImportDlg::DefineCSVImport(StdioFile& file) {
    ImporterCSVMapping mapping(IsPupils());
    DefineCSVDlg define(this, &file, &mapping);
    if (define.ShowModal() != wxID_OK) {
        return nullptr;
    }
    auto importer = std::make_unique<ImporterCSV>(IsPupils());
    importer->SetName(define.GetImportName());
    importer->SetIgnoreFirstLine(define.GetIgnoreFirstLine());
    if (!importer->SetDefinition(define.GetColumnDefinition())) {
        ReportMessage(SeverityError, "Column list has become corrupted");
        return nullptr;
    }
    return importer;
}

void ImportDlg::RunImport(const ImporterBase& importer, StdioFile& file) {
    std::unique_ptr<ImportRun> run = CreateImportRun(importer);
    if (!run) {
        ReportMessage(SeverityError,
                      "Files of the type '" + importer.GetDescription() + "' cannot be imported");
        return;
    }
    // The definition dialog has read the first lines already.
    std::rewind(file.GetFile());
    run->SetInput(&file);
    run->SetTarget(previewSchedule_.get());
    if (controller_ != nullptr) {
        run->SetSettings(&controller_->GetUserSettings());
    }
    {
        RunMessages said;
        ImportProgressDlg progress(this, run.get());
        progress.ShowModal();
    }
    previewEvent_->GetTeachers().Sort();
    previewEvent_->GetParents().Sort();
    tree_->RebuildTree();
}

bool ImportDlg::ImportFromFile() {
    std::unique_ptr<StdioFile> file = OpenImportFile(ToUtf8(fileName_->GetValue()));
    if (!file) {
        return false;
    }
    const std::shared_ptr<Event> event =
        controller_ ? controller_->GetEvent() : std::shared_ptr<Event>();
    // By place, not by text: two saved imports may share a name. The last entry defines one.
    const int chosen = fileType_->GetSelection();
    ImporterBase* importer = nullptr;
    if (event && chosen >= 0) {
        const auto index = static_cast<unsigned>(chosen);
        importer = IsPupils() ? event->GetPupilImporter(index) : event->GetTeacherImporter(index);
    }
    if (importer != nullptr) {
        RunImport(*importer, *file);
        return true;
    }
    std::unique_ptr<ImporterCSV> defined = DefineCSVImport(*file);
    if (!defined) {
        return false;
    }
    if (!defined->GetDescription().empty() && event) {
        // Saved under its name: offered again from now on, and kept with the event.
        ImporterCSV* kept = defined.get();
        if (IsPupils()) {
            event->AddPupilImporter(std::move(defined));
        } else {
            event->AddTeacherImporter(std::move(defined));
        }
        RefreshFileTypes();
        RunImport(*kept, *file);
        return true;
    }
    RunImport(*defined, *file);
    return true;
}

bool ImportDlg::ImportFromSIMS() {
    SIMSCommandReporter reporter;
    UserSettings* settings = controller_ ? &controller_->GetUserSettings() : nullptr;
    reporter.LoadSettings(settings, who_);
    {
        SIMSCommandReporterDlg details(this, &reporter);
        if (details.ShowModal() != wxID_OK) {
            return false;
        }
    }
    if (settings != nullptr) {
        {
            // The details reach the file in one write: one message if it cannot be written.
            const UserSettings::WriteHold oneWrite(*settings);
            reporter.SaveSettings(settings, who_);
        }
        // Settings without a file of their own were not written above; saving says why.
        if (settings->GetFilePath().empty()) {
            (void)controller_->SaveUserSettings();  // reports itself; the import goes on
        }
    }
    const std::string output = reporter.GetOutputFileName();
    if (!output.empty()) {
        std::remove(output.c_str());
    }
    {
        SIMSCRProgressDlg progress(this, &reporter);
        if (progress.ShowModal() != wxID_OK) {
            return false;
        }
    }
    if (!reporter.CheckOutput()) {
        return false;
    }
    std::string why;
    StdioFile file(OpenOrdinaryFile(output, &why));
    if (file.GetFile() == nullptr) {
        ReportCannotRead(why);
        return false;
    }
    // A SIMS report's description is not kept: the next run may write other columns.
    std::unique_ptr<ImporterCSV> defined = DefineCSVImport(file);
    if (!defined) {
        return false;
    }
    RunImport(*defined, file);
    return true;
}
