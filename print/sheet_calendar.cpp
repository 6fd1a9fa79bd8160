#include "print/sheet_calendar.h"

#include "model/schedule.h"

std::string SheetCalendarText(const Schedule& day, const Person* person, int icalendarType) {
    if (icalendarType == 0) {
        return day.MakePersonICalendar(person).FormatEvent();
    }
    if (icalendarType == 1) {
        return day.MakeEventICalendar().FormatEvent();
    }
    return "";
}
