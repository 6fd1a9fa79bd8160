#pragma once

#include <ctime>
#include <string>

#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_collectable.h"

// One appointment or presentation as a calendar entry, written as iCalendar text: a whole
// calendar for e-mail attachments, or a bare event block for the QR codes of printed sheets.
class ICalendar : public UCCollectable {
public:
    ICalendar() = default;
    const char* GetClassName() const override { return "ICalendar"; }

    void SetDate(const Date& date) { date_ = date; }
    void SetStartTime(const TimeOfDay& start) { start_ = start; }
    void SetEndTime(const TimeOfDay& end) { end_ = end; }
    void SetSummary(const std::string& summary) { summary_ = summary; }
    void SetDescription(const std::string& description) { description_ = description; }
    // Written as the location and as the organiser's name.
    void SetLocation(const std::string& location) { location_ = location; }
    // The organiser's e-mail address.
    void SetMailTo(const std::string& mailTo) { mailTo_ = mailTo; }
    // Whose entry this is (the event, and the person for a person's entry): it goes into the
    // UID, so that no two people's, events' or days' entries share one.
    void SetOwner(const std::string& owner) { owner_ = owner; }

    const Date& GetDate() const { return date_; }
    const TimeOfDay& GetStartTime() const { return start_; }
    const TimeOfDay& GetEndTime() const { return end_; }
    const std::string& GetSummary() const { return summary_; }
    const std::string& GetDescription() const { return description_; }
    const std::string& GetLocation() const { return location_; }
    const std::string& GetMailTo() const { return mailTo_; }

    // The whole calendar with one event; stamp is the time of writing (seconds since 1970).
    std::string FormatCalendar(std::time_t stamp) const;
    // The bare event block.
    std::string FormatEvent() const;

    // The stamp in hex, "@Quillmoot" and the MD5 of the location, the owner and the date: a
    // calendar program takes an entry with a UID it has as a change to that entry.
    std::string MakeUid(std::time_t stamp) const;
    // The stamp in UTC, "YYYYMMDDTHHMMSSZ".
    static std::string FormatStamp(std::time_t stamp);
    // Local time without a zone, "YYYYMMDDTHHMMSS".
    static std::string FormatDateTime(const Date& date, const TimeOfDay& time);
    // A TEXT value with backslash, semicolon, comma and line ends escaped, so that no value can
    // end its line or start another property. Tabs stay (TEXT allows them); other control
    // characters become blanks; text that is not UTF-8 is taken as Windows-1252.
    static std::string EscapeText(const std::string& text);
    // A content line folded so that no line is longer than 75 octets, never inside a UTF-8
    // character: CR LF and a blank before each continuation. The line comes without its end.
    static std::string FoldLine(const std::string& line);

private:
    std::string FormatOrganizer() const;

    Date date_;
    TimeOfDay start_;
    TimeOfDay end_;
    std::string summary_;
    std::string description_;
    std::string location_;
    std::string mailTo_;
    std::string owner_;
};
