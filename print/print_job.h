#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/print_renderer.h"

class MultiDaySchedule;
class Parent;
class PrintRenderer;
class PrintSettings;
class QMImage;
class QMScript;
class Schedule;
class Teacher;

// The pupils whose requests to each teacher are booked on no day of the event, in the order of
// the event's parents, pupils and requests: one walk of the event serves a whole run of teacher
// sheets, as long as the timetable stays as it was.
class UnbookedPupils {
public:
    explicit UnbookedPupils(const MultiDaySchedule& eventDays);
    const MultiDaySchedule& GetEventDays() const { return eventDays_; }
    // Empty for a teacher with none.
    const std::vector<std::string>& Of(const Teacher* teacher) const;

private:
    const MultiDaySchedule& eventDays_;
    std::unordered_map<const Teacher*, std::vector<std::string>> names_;
};

// What a print script put on one sheet, with what it reported: kept from the one run of the
// script for that sheet, so that a printout that measures, prints and redraws the sheet draws the
// same body again without running the script again (a script may write a file or count).
class ScriptedBody {
public:
    struct Piece {
        enum class Kind { Text, Bold, Cell, Footer, Separator } kind;
        std::string text;
        CellStyle style = CellStyle::Normal;
        CellAdvance advance = CellAdvance::Beside;
        float width = 0;
    };
    void Add(Piece piece) { pieces_.push_back(std::move(piece)); }
    void Keep() { kept_ = true; }
    bool IsKept() const { return kept_; }
    void DrawOn(PrintRenderer& renderer) const;

private:
    std::vector<Piece> pieces_;
    bool kept_ = false;
};

// One person's sheet for one day, drawn on a renderer: a page from construction to destruction.
// The body is built in, or drawn by a print script when one is given.
class PrintJob {
public:
    // Starts a page when the renderer is OK. Nothing is owned; logo and QR image may be null.
    PrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays, Schedule* day, QMImage* logo,
             QMImage* qrImage);
    // Ends the page when the renderer is OK.
    virtual ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    virtual void Print() = 0;

    // A script also gets this job's renderer, so that its output lands on the sheet.
    void SetScript(QMScript* script);
    // 1 leaves out the QR code and its footer (the sheets of an overview page).
    void SetQRSuppression(int suppression) { qrSuppression_ = suppression; }
    // Where the script's body is kept after its first run, and drawn from afterwards; without
    // one the script runs each time the sheet is drawn.
    void KeepScriptedBody(ScriptedBody* body) { body_ = body; }

protected:
    // Logo, school, event and date, then the person's own heading lines and the QR block.
    void PrintHeading(const std::vector<std::string>& personLines, bool qrCodes);
    // The script's body with whatever it reported, or the built-in one.
    void PrintBody();
    virtual void RunScript() = 0;
    virtual void PrintBuiltInBody() = 0;
    std::string SlotTime(int slot) const;

    PrintRenderer* renderer_;
    MultiDaySchedule* eventDays_;
    Schedule* day_;
    QMImage* logo_;
    QMImage* qrImage_;
    int qrSuppression_ = 0;
    QMScript* script_ = nullptr;
    ScriptedBody* body_ = nullptr;

private:
    class BodyRecorder;
};

// A teacher's timetable handout for one day.
class TeacherPrintJob : public PrintJob {
public:
    TeacherPrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays, Schedule* day,
                    QMImage* logo, QMImage* qrImage, Teacher* teacher,
                    const PrintSettings* settings);
    void Print() override;
    // A run of sheets over the same timetable shares one list; without it each sheet walks
    // the event itself.
    void SetUnbookedPupils(const UnbookedPupils* unbooked) { unbooked_ = unbooked; }

private:
    void RunScript() override;
    void PrintBuiltInBody() override;
    void PrintUnbooked();
    // The slot's line, or false when a presentation of the teacher is running through it.
    bool MakeSlotLine(int slot, int row, std::string* line) const;

    Teacher* teacher_;
    const PrintSettings* settings_;
    const UnbookedPupils* unbooked_ = nullptr;
};

// A parent's appointments handout for one day.
class ParentPrintJob : public PrintJob {
public:
    ParentPrintJob(PrintRenderer* renderer, MultiDaySchedule* eventDays, Schedule* day,
                   QMImage* logo, QMImage* qrImage, Parent* parent, const PrintSettings* settings);
    void Print() override;

private:
    void RunScript() override;
    void PrintBuiltInBody() override;
    void PrintUnbooked();

    Parent* parent_;
    const PrintSettings* settings_;
};
