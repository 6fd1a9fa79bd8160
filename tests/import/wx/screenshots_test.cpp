#include <gtest/gtest.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/files.h"
#include "gui/support/screenshot.h"
#include "import/import_factory.h"
#include "import/sims_command_reporter.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_preview_tree.h"
#include "import/wx/import_priority_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "import/wx/sims_details_dlg.h"
#include "import/wx/sims_progress_dlg.h"
#include "import_window_fixture.h"
#include "model/builtin_importers.h"
#include "model/importer_csv.h"

namespace {

using Screenshots = OnlyForScreenshots<ImportWindow>;

TEST_F(Screenshots, ImportDialogs) {
    const std::string csv = folder_.Write(
        "pupils.csv", "Forename,Surname,Form / Tutor Group\nAmy,Lee,7B\nBen,Cox,7C\n");
    StdioFile file(csv.c_str(), "rb");
    ImporterCSVMapping mapping(true);
    SIMSCommandReporter reporter;
    reporter.executable = "/opt/sims/CommandReporter.exe";
    reporter.userName = "office";
    reporter.serverName = "SIMS\\SQL";
    reporter.databaseName = "sims";
    reporter.reportName = "Pupils with contacts";
    SIMSCommandReporter running;

    // A preview with people in it, as after one import.
    const std::string staff = folder_.Write("staff.txt", "Ms Ames\nMr Bell\nMrs Cobb\n");
    StdioFile staffFile(staff.c_str(), "rb");
    auto run = CreateImportRun(ImporterTxtTeachers());
    run->SetInput(&staffFile);

    SaveScreenshots({
        {"import",
         [&] {
             auto* dialog = new ImportDlg(TopWindow(), &controller_, PeopleImport::Teachers);
             run->SetTarget(dialog->GetPreviewSchedule());
             RunImport(*run);
             dialog->GetPreviewTree()->RebuildTree();
             dialog->GetFileNameText()->SetValue(staff);
             return dialog;
         }},
        {"import-csv-definition", [&] { return new DefineCSVDlg(TopWindow(), &file, &mapping); }},
        {"import-priority", [&] { return new ImportPTPrioDlg(TopWindow()); }},
        {"import-sims-details", [&] { return new SIMSCommandReporterDlg(TopWindow(), &reporter); }},
        {"import-progress",
         [&] {
             auto* dialog = new ImportProgressDlg(TopWindow(), nullptr);
             dialog->GetProgressLabel()->SetLabel("2048 of 8192 (25%)");
             dialog->GetGauge()->SetValue(25);
             return dialog;
         }},
        {"import-sims-progress",
         [&] {
             // A report that takes its time, so the picture shows it running.
             running.executable = WriteFakeReporter();
             running.password = "secret";
             running.reportName = "slow";
             return new SIMSCRProgressDlg(TopWindow(), &running);
         }},
    });
}

}  // namespace
