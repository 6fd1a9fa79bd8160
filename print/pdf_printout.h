#pragma once

#include <memory>

#include "model/print_settings.h"
#include "print/print_selection.h"

class PrintRendererPDF;
class QMController;
class QMScript;
class QMImage;
class QRCodeMatrix;
class ScriptRun;
class UnbookedPupils;
struct PrintSheet;

// The selected teacher and parent handouts as one PDF file: an A4 page a sheet, teachers
// first, each person's days in order, with the logo and a QR code of the person's calendar
// entry. The print scripts named in the user settings draw the sheets' bodies.
class PDFPrintout {
public:
    PDFPrintout(QMController* controller, const PrintSettings& settings);
    ~PDFPrintout();
    PDFPrintout(const PDFPrintout&) = delete;
    PDFPrintout& operator=(const PDFPrintout&) = delete;

    static constexpr const char* kStoppedText =
        "Script stopped by the user: the PDF file was not created";

    // True when the whole file was written without a PDF error. With no sheet to print it
    // says so and writes nothing; an old file of that name is replaced only by a complete one.
    // When the user stops a print script it says kStoppedText and writes nothing.
    bool CreatePDF(const char* fileName);
    bool WasStopped() const { return stopped_; }

    const PrintSelection& GetSelection() const { return selection_; }

private:
    void LoadScripts();
    void LoadScriptFiles();
    bool WriteSheets(const char* fileName, const ScriptRun& run);
    // One page: the QR image is made from the code, when there is one, and dropped after.
    void PrintSheet(PrintRendererPDF& renderer, QMImage* logo, const ::PrintSheet& sheet,
                    const QRCodeMatrix* code, const UnbookedPupils* unbooked);

    PrintSelection selection_;
    QMController* controller_;
    PrintSettings settings_;
    std::unique_ptr<QMScript> parentScript_;
    std::unique_ptr<QMScript> teacherScript_;
    bool stopped_ = false;
};
