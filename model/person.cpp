#include "model/person.h"

#include <string_view>

#include "foundation/string_functions.h"

std::string TrimmedName(const std::string& text) {
    const char* begin = FindFirstNonSpace(text.data(), text.data() + text.size());
    std::string result(begin, text.data() + text.size());
    TrimRightInPlace(result);
    return result;
}

namespace {

// A name without a blank is its own surname, which keeps the order transitive.
std::string_view Surname(const std::string& name) {
    size_t blank = name.rfind(' ');
    return std::string_view(name).substr(blank == std::string::npos ? 0 : blank + 1);
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

}  // namespace

std::atomic<unsigned long long> Person::indexEpochs_[Person::kIndexKinds] = {0, 0, 0};
std::atomic<unsigned long long> Person::markStamps_{0};

Person::Person(const std::string& name) : name_(TrimmedName(name)), uniqueId_(name) {}

bool Person::SetEmail(const std::string& email) {
    email_ = TrimmedName(email);
    return true;
}

bool Person::SetEmailAlt(const std::string& email) {
    emailAlt_ = TrimmedName(email);
    return true;
}

bool Person::GetEmailSent(EmailTextKind kind) const {
    if (kind < EmailInvitation || kind > EmailResults) {
        return true;
    }
    return emailSent_[kind];
}

void Person::SetEmailSent(EmailTextKind kind, bool sent) {
    if (kind >= EmailInvitation && kind <= EmailResults) {
        emailSent_[kind] = sent;
    }
    if (kind == EmailResults) {
        resultsMarkStamp_ = NextMarkStamp();
    }
}

int Person::Compare(const Person* other) const {
    if (other == nullptr) {
        return 1;
    }
    if (name_ == other->name_) {
        return 0;
    }
    // Byte-wise as strcmp, but a name holding a NUL byte still orders by all of its bytes.
    int bySurname = Sign(Surname(name_).compare(Surname(other->name_)));
    if (bySurname != 0) {
        return bySurname;
    }
    return name_.compare(other->name_) < 0 ? -1 : 1;
}
