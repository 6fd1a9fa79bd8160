#include "print/print_renderer_file.h"

#include "foundation/output_file.h"
#include "foundation/uc_error.h"
#include "model/person_csv_export.h"

PrintRendererFile::PrintRendererFile(const char* fileName)
    : fileName_(fileName != nullptr ? fileName : "") {
    open_ = CanWriteOutputFile(fileName_);
    if (!open_) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
    }
}

PrintRendererFile::~PrintRendererFile() {
    Close();
}

void PrintRendererFile::EndPage() {
    if (open_) {
        text_ += '\n';
    }
}

void PrintRendererFile::PrintText(const std::string& text) {
    if (open_) {
        text_ += text;
        text_ += '\n';
    }
}

void PrintRendererFile::PrintCell(const std::string& text, CellStyle, CellAdvance advance, float) {
    if (!open_) {
        return;
    }
    // Quoted as the CSV exports are: a spreadsheet reads the field whole, and never as a formula.
    text_ += CsvExportFile::Quote(text);
    if (advance == CellAdvance::Beside) {
        text_ += ", ";
    } else if (advance == CellAdvance::EndRow) {
        text_ += '\n';
    }
}

bool PrintRendererFile::Close() {
    if (!open_) {
        return written_;
    }
    open_ = false;
    written_ = WriteOutputFile(fileName_, text_);
    if (!written_) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot write to file '" + fileName_ + "': ");
    }
    text_.clear();
    text_.shrink_to_fit();
    return written_;
}
