#include "print/pdf_printout.h"

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "app/script_run.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"
#include "print/pdf_image.h"
#include "print/print_job.h"
#include "print/print_renderer_pdf.h"
#include "print/qr_code_matrix.h"
#include "print/sheet_calendar.h"

PDFPrintout::PDFPrintout(QMController* controller, const PrintSettings& settings)
    : selection_(controller, settings), controller_(controller), settings_(settings) {
    LoadScripts();
}

PDFPrintout::~PDFPrintout() {
    settings_.SetParentScript(nullptr);
    settings_.SetTeacherScript(nullptr);
    // Closing runs the scripts' finalisers.
    const ScriptRun run(controller_);
    parentScript_.reset();
    teacherScript_.reset();
}

// A script that failed to load leaves the built-in body in its place.
void PDFPrintout::LoadScripts() {
    if (controller_ == nullptr || controller_->GetSchedule() == nullptr) {
        return;
    }
    // A script's top level runs as it loads.
    const ScriptRun run(controller_);
    LoadScriptFiles();
    stopped_ = run.Stopped();
}

void PDFPrintout::LoadScriptFiles() {
    const QMScript::MadeFor made(QMScript::Use::Sheets);
    const UserSettings& user = controller_->GetUserSettings();
    const std::string parentPath = user.Get("parentprintscript");
    parentScript_.reset();
    if (!parentPath.empty()) {
        parentScript_ = controller_->CreateScript(parentPath);
    }
    settings_.SetParentScript(parentScript_ && parentScript_->loaded ? parentScript_.get()
                                                                     : nullptr);
    const std::string teacherPath = user.Get("teacherprintscript");
    teacherScript_.reset();
    if (!teacherPath.empty()) {
        teacherScript_ = controller_->CreateScript(teacherPath);
    }
    settings_.SetTeacherScript(teacherScript_ && teacherScript_->loaded ? teacherScript_.get()
                                                                        : nullptr);
}

bool PDFPrintout::CreatePDF(const char* fileName) {
    const ScriptRun run(controller_);
    // A file the user stopped a script of would pass for the whole handouts.
    if (stopped_ || !WriteSheets(fileName, run)) {
        if (stopped_ || run.Stopped()) {
            stopped_ = true;
            ReportMessage(SeverityError, kStoppedText);
        }
        return false;
    }
    return true;
}

bool PDFPrintout::WriteSheets(const char* fileName, const ScriptRun& run) {
    const bool teachers = settings_.GetTeachers() && !selection_.teacherSheets.empty();
    const bool parents = settings_.GetParents() && !selection_.parentSheets.empty();
    if (!teachers && !parents) {
        ReportMessage(SeverityError,
                      "There is nothing to print: no teacher or parent has a handout under "
                      "these print settings.");
        return false;
    }
    PrintRendererPDF renderer;
    if (!renderer.IsOK()) {
        return false;
    }
    std::unique_ptr<PDFImage> logo;
    const std::string& logoFile = settings_.GetLogoFile();
    if (!logoFile.empty()) {
        logo = renderer.CreateImage();
        if (!logo->LoadFile(logoFile)) {
            ReportMessage(SeverityWarning, "The logo file '" + logoFile +
                                               "' could not be loaded. PDF file will be created "
                                               "with no logo.");
            logo.reset();
        }
    }
    std::vector<const ::PrintSheet*> sheets;
    for (bool teacherSheets : {true, false}) {
        if (teacherSheets ? teachers : parents) {
            for (const ::PrintSheet& sheet :
                 teacherSheets ? selection_.teacherSheets : selection_.parentSheets) {
                sheets.push_back(&sheet);
            }
        }
    }
    // Without QR codes on the sheets no code is made.
    const int calendarType =
        settings_.GetQRCodes() ? controller_->GetUserSettings().GetICalendarType() : -1;
    std::vector<std::string> calendars;
    calendars.reserve(sheets.size());
    for (const ::PrintSheet* sheet : sheets) {
        const Person* person = sheet->teacher != nullptr
                                   ? static_cast<const Person*>(sheet->teacher)
                                   : static_cast<const Person*>(sheet->parent);
        calendars.push_back(SheetCalendarText(*sheet->day, person, calendarType));
    }
    QRCodeStream codes(calendars);
    std::unique_ptr<UnbookedPupils> unbooked;
    if (teachers && settings_.GetListUnbooked()) {
        unbooked = std::make_unique<UnbookedPupils>(*controller_->GetSchedule());
    }
    for (size_t i = 0; i < sheets.size(); ++i) {
        QRCodeMatrix& code = codes.Get(i);
        PrintSheet(renderer, logo.get(), *sheets[i], calendars[i].empty() ? nullptr : &code,
                   unbooked.get());
        code.Free();
        if (!renderer.IsOK() || run.Stopped()) {
            return false;
        }
    }
    return renderer.SaveToFile(fileName) == HPDF_OK && renderer.IsOK();
}

void PDFPrintout::PrintSheet(PrintRendererPDF& renderer, QMImage* logo, const ::PrintSheet& sheet,
                             const QRCodeMatrix* code, const UnbookedPupils* unbooked) {
    std::unique_ptr<PDFImage> qrImage;
    if (code != nullptr) {
        qrImage = renderer.CreateImage();
        qrImage->CreateFromQRCode(*code);
    }
    std::unique_ptr<PrintJob> job;
    if (sheet.teacher != nullptr) {
        auto teacherJob =
            std::make_unique<TeacherPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                              logo, qrImage.get(), sheet.teacher, &settings_);
        teacherJob->SetUnbookedPupils(unbooked);
        job = std::move(teacherJob);
        job->SetScript(settings_.GetTeacherScript());
    } else {
        job = std::make_unique<ParentPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                               logo, qrImage.get(), sheet.parent, &settings_);
        job->SetScript(settings_.GetParentScript());
    }
    job->Print();
}
