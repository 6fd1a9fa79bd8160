#pragma once

#include <string>

#include "model/person_list.h"

class QMScript;

// What to print (and whom to e-mail) and how: the sheets, fonts, layout, logo, notes, the order
// of parent sheets and the print scripts. The event holds one; printouts take a copy.
class PrintSettings {
public:
    PrintSettings() = default;

    // Narrows the settings to one parent's or one teacher's handout.
    void SelectSingleParent(int index);
    void SelectSingleTeacher(int index);

    void SetParentNotes(const std::string& notes);
    void SetTeacherNotes(const std::string& notes);
    const std::string& GetParentNotes() const { return parentNotes_; }
    const std::string& GetTeacherNotes() const { return teacherNotes_; }

    // The scripts are the caller's; the settings only point at them.
    void SetParentScript(QMScript* script) { parentScript_ = script; }
    void SetTeacherScript(QMScript* script) { teacherScript_ = script; }
    QMScript* GetParentScript() const { return parentScript_; }
    QMScript* GetTeacherScript() const { return teacherScript_; }

    int GetParentIndex() const { return parentIndex_; }
    int GetTeacherIndex() const { return teacherIndex_; }
    double GetSmallFontSize() const { return smallFontSize_; }
    bool GetUseSansSerif() const { return useSansSerif_; }
    bool GetSmallTeacherFont() const { return smallTeacherFont_; }
    bool GetOneParentPerSheet() const { return oneParentPerSheet_; }
    bool GetTeachers() const { return teachers_; }
    bool GetParents() const { return parents_; }
    bool GetPupils() const { return pupils_; }
    bool GetTeacherOverviews() const { return teacherOverviews_; }
    bool GetParentOverviews() const { return parentOverviews_; }
    bool GetIncludeAlreadySent() const { return includeAlreadySent_; }
    bool GetListUnbooked() const { return listUnbooked_; }
    bool GetTeacherBreaks() const { return teacherBreaks_; }
    bool GetQRCodes() const { return qrCodes_; }
    const std::string& GetLogoFile() const { return logoFile_; }
    ParentPrintOrder GetParentPrintOrder() const { return parentPrintOrder_; }

    void SetParentIndex(int index) { parentIndex_ = index; }
    void SetTeacherIndex(int index) { teacherIndex_ = index; }
    void SetSmallFontSize(double points) { smallFontSize_ = points; }
    void SetUseSansSerif(bool on) { useSansSerif_ = on; }
    void SetSmallTeacherFont(bool on) { smallTeacherFont_ = on; }
    void SetOneParentPerSheet(bool on) { oneParentPerSheet_ = on; }
    void SetTeachers(bool on) { teachers_ = on; }
    void SetParents(bool on) { parents_ = on; }
    void SetPupils(bool on) { pupils_ = on; }
    void SetTeacherOverviews(bool on) { teacherOverviews_ = on; }
    void SetParentOverviews(bool on) { parentOverviews_ = on; }
    void SetIncludeAlreadySent(bool on) { includeAlreadySent_ = on; }
    void SetListUnbooked(bool on) { listUnbooked_ = on; }
    void SetTeacherBreaks(bool on) { teacherBreaks_ = on; }
    void SetQRCodes(bool on) { qrCodes_ = on; }
    void SetLogoFile(const std::string& path) { logoFile_ = path; }
    void SetParentPrintOrder(ParentPrintOrder order) { parentPrintOrder_ = order; }

    // Marks the settings as chosen by the user; part of the event's modified state.
    bool IsModified() const { return modified_; }
    void SetModified(bool on = true) { modified_ = on; }

private:
    void SelectSinglePerson(bool parent, int index);

    int parentIndex_ = -1;  // -1: every parent
    int teacherIndex_ = -1;
    double smallFontSize_ = 6.0;
    bool useSansSerif_ = false;
    bool smallTeacherFont_ = false;
    bool oneParentPerSheet_ = false;
    bool teachers_ = true;
    bool parents_ = true;
    bool pupils_ = false;
    bool teacherOverviews_ = false;
    bool parentOverviews_ = true;
    bool includeAlreadySent_ = true;
    bool listUnbooked_ = true;
    bool teacherBreaks_ = true;
    bool qrCodes_ = true;
    bool modified_ = false;
    std::string logoFile_;
    std::string parentNotes_;
    std::string teacherNotes_;
    ParentPrintOrder parentPrintOrder_ = ParentPrintByName;
    QMScript* parentScript_ = nullptr;
    QMScript* teacherScript_ = nullptr;
};
