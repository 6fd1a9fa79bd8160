#include "model/presentation.h"

#include <unordered_set>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"

Presentation::Presentation(const std::string& name, const std::string& location, const Date& date,
                           const char* startText, const char* endText)
    : name_(name), location_(location), date_(date) {
    if (startText != nullptr) {
        start_.Parse(startText);
    }
    if (endText != nullptr) {
        end_.Parse(endText);
    }
}

bool Presentation::SetTimes(const TimeOfDay& start, const TimeOfDay& end) {
    if (end <= start) {
        ReportMessage(
            SeverityError,
            "Attempting to set invalid start and end times for presentation '" + name_ + "'");
        return false;
    }
    start_ = start;
    end_ = end;
    return true;
}

void Presentation::GetTimes(TimeOfDay* start, TimeOfDay* end) const {
    if (start != nullptr) {
        *start = start_;
    }
    if (end != nullptr) {
        *end = end_;
    }
}

bool Presentation::IsValid() const {
    return !date_.IsValid() || end_ > start_;
}

bool Presentation::Covers(const Date& date, const TimeOfDay& time) const {
    return date == date_ && start_ <= time && time < end_;
}

bool Presentation::Overlaps(const Date& date, const TimeOfDay& from, const TimeOfDay& to) const {
    return date == date_ && start_ < to && from < end_;
}

std::string Presentation::GetDescription() const {
    std::string text = name_;
    if (!location_.empty()) {
        text += " (" + location_ + ")";
    }
    return text + ", " + start_.Format(Time12h) + "-" + end_.Format(Time12h) + " " +
           date_.FormatLong();
}

Presentation* PresentationList::GetPresentation(unsigned index) const {
    return static_cast<Presentation*>(Get(index));
}

Presentation* PresentationList::Find(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (UCCollectable* element : *this) {
        auto* presentation = static_cast<Presentation*>(element);
        // ASCII case only: the desktop's locale must not decide which names clash (the
        // Turkish one keeps 'I' and 'i' apart).
        if (presentation != nullptr && EqualsIgnoringCase(presentation->GetName(), name)) {
            return presentation;
        }
    }
    return nullptr;
}

bool PresentationList::Add(Presentation* presentation) {
    if (presentation == nullptr) {
        return false;
    }
    const std::string& name = presentation->GetName();
    if (!presentation->IsValid()) {
        ReportMessage(SeverityError,
                      "Cannot insert the new presentation '" + name + "' because it is invalid");
        return false;
    }
    if (Find(name) != nullptr) {
        ReportMessage(SeverityError,
                      "Cannot insert the new presentation '" + name +
                          "' because a presentation of the same name already exists");
        return false;
    }
    Append(presentation);
    return true;
}

bool PresentationList::AddAll(std::vector<std::unique_ptr<Presentation>>& presentations) {
    // Find ignores ASCII case, so the names are kept lower-cased the same way.
    const auto key = [](const std::string& name) {
        std::string lower = name;
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return lower;
    };
    std::unordered_set<std::string> names;
    for (unsigned i = 0; i < Count(); ++i) {
        if (const Presentation* held = GetPresentation(i)) {
            names.insert(key(held->GetName()));
        }
    }
    for (std::unique_ptr<Presentation>& presentation : presentations) {
        if (!presentation) {
            return false;
        }
        const std::string& name = presentation->GetName();
        if (!presentation->IsValid()) {
            ReportMessage(SeverityError, "Cannot insert the new presentation '" + name +
                                             "' because it is invalid");
            return false;
        }
        if (!name.empty() && !names.insert(key(name)).second) {
            ReportMessage(SeverityError,
                          "Cannot insert the new presentation '" + name +
                              "' because a presentation of the same name already exists");
            return false;
        }
        Append(presentation.release());
    }
    return true;
}
