#include "print/pdf_printout.h"

#include "app/qm_controller.h"
#include "app/qm_script.h"
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
}

// A script that failed to load leaves the built-in body in its place.
void PDFPrintout::LoadScripts() {
    if (controller_ == nullptr || controller_->GetSchedule() == nullptr) {
        return;
    }
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
    if ((teachers && !PrintSheets(renderer, logo.get(), true)) ||
        (parents && !PrintSheets(renderer, logo.get(), false))) {
        return false;
    }
    return renderer.SaveToFile(fileName) == HPDF_OK && renderer.IsOK();
}

bool PDFPrintout::PrintSheets(PrintRendererPDF& renderer, QMImage* logo, bool teachers) {
    for (const ::PrintSheet& sheet :
         teachers ? selection_.teacherSheets : selection_.parentSheets) {
        PrintSheet(renderer, logo, sheet);
        if (!renderer.IsOK()) {
            return false;
        }
    }
    return true;
}

void PDFPrintout::PrintSheet(PrintRendererPDF& renderer, QMImage* logo, const ::PrintSheet& sheet) {
    const Person* person = sheet.teacher != nullptr ? static_cast<const Person*>(sheet.teacher)
                                                    : static_cast<const Person*>(sheet.parent);
    std::unique_ptr<PDFImage> qrImage;
    const std::string calendar = SheetCalendarText(
        *sheet.day, person, controller_->GetUserSettings().GetICalendarType());
    if (!calendar.empty()) {
        QRCodeMatrix matrix;
        matrix.Encode(calendar.c_str());
        qrImage = renderer.CreateImage();
        qrImage->CreateFromQRCode(matrix);
    }
    std::unique_ptr<PrintJob> job;
    if (sheet.teacher != nullptr) {
        job = std::make_unique<TeacherPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                                logo, qrImage.get(), sheet.teacher, &settings_);
        job->SetScript(settings_.GetTeacherScript());
    } else {
        job = std::make_unique<ParentPrintJob>(&renderer, controller_->GetSchedule(), sheet.day,
                                               logo, qrImage.get(), sheet.parent, &settings_);
        job->SetScript(settings_.GetParentScript());
    }
    job->Print();
}
