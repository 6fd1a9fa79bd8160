// The appointments export: every parent's address and appointments, a row per parent and day.
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person_csv_export.h"

namespace {

const char kAppointmentsHeader[] =
    "Parents Name,Address 1,Address 2,Address 3,Address 4,Address 5,Appointment 1,"
    "Appointment 2,Appointment 3,Appointment 4,Appointment 5,Appointment 6,Appointment 7,"
    "Appointment 8,Appointment 9,Appointment 10,Appointment 11,Appointment 12,Appointment 13,"
    "Appointment 14,Appointment 15,Appointment 16,Appointment 17,Appointment 18,"
    "Appointment 19,Appointment 20\n";

}  // namespace

bool MultiDaySchedule::ExportCSV(const std::string& fileName) const {
    // Written beside the target and moved over it only when every write and the close worked.
    CsvExportFile file(fileName);
    if (!file.IsOpen()) {
        return false;
    }
    file.WriteLine(kAppointmentsHeader);
    if (event_) {
        const ParentList& parents = event_->GetParents();
        for (const auto& day : days_) {
            for (unsigned i = 0; i < parents.Count(); ++i) {
                const Parent* parent = parents.At(i);
                std::string row = CsvExportFile::Quote(parent->GetName()) + ",";
                for (int line = 0; line < Parent::kAddressLines; ++line) {
                    row += CsvExportFile::Quote(parent->GetAddress(line)) + ",";
                }
                // A day without bookings of the parent gets no padding: the row just ends.
                if (day->ParentHasAppointments(parent)) {
                    row += day->FormatAppointmentText(parent);
                }
                file.WriteLine(row + "\n");
            }
        }
    }
    return file.Commit();
}
