#pragma once

#include <string>

class PrintSettings;
struct CommandContext;

// The save dialogs' filters of the exports and the PDF. "All files" is "*": on GTK "*.*" would
// hide names without a dot.
inline constexpr const char* kCsvWildcard = "CSV files (*.csv)|*.csv;*.CSV|All files (*.*)|*";
inline constexpr const char* kTextWildcard = "Text files (*.txt)|*.txt;*.TXT|All files (*.*)|*";
inline constexpr const char* kPdfWildcard = "PDF files (*.pdf)|*.pdf;*.PDF|All files (*.*)|*";

// The path to write: with the first filter chosen a missing extension (".csv", ".txt", ".pdf")
// is appended, one typed in any case is kept; with "All files" the path stays as typed.
std::string OutputSavePath(const std::string& chosen, int filterIndex,
                           const std::string& extension);

// What an output run makes: printed pages (the printer, the preview, a PDF) or e-mails.
enum class OutputRun { Print, Email };

// The question before a run of a schedule with unbooked requests or a low score; empty when
// there is nothing to warn of.
std::string OutputRunQuestion(bool allBooked, bool lowScore, OutputRun run);

// The warnings, the run's options and the lock suggestion before a print or an e-mail run;
// null settings are the event's own. False when the run should not go on.
bool ConfirmOutputRun(const CommandContext& context, OutputRun run, PrintSettings* settings);
// The preview window of a printout, after ConfirmOutputRun.
void ShowPrintPreview(const CommandContext& context, PrintSettings* settings);
