#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "foundation/uc_collectable.h"

// The three e-mails the program sends; every person keeps a sent flag for each.
enum EmailTextKind { EmailInvitation = 0, EmailReminder = 1, EmailResults = 2 };

// What a person is, for code that treats teachers, parents and pupils apart. The class name
// stays for what is shown and for scripts; a misspelt kind does not compile.
enum class PersonKind { Person, Attendee, Teacher, Parent, Pupil };

// A name or initials as people keep them and the event file compares them: without the blanks
// around the text.
std::string TrimmedName(const std::string& text);

// A named participant of the event: the common base of teachers, parents and pupils.
class Person : public UCCollectable {
public:
    Person() = default;
    // The name is stored trimmed; the text as given becomes the unique id.
    explicit Person(const std::string& name);
    Person(const Person&) = default;
    Person& operator=(const Person&) = default;
    ~Person() override = default;

    const char* GetClassName() const override { return "Person"; }
    virtual PersonKind GetKind() const { return PersonKind::Person; }
    virtual std::string GetDisplayName() const { return name_; }

    const std::string& GetName() const { return name_; }
    // Stored without blanks around it, as a person made from a name (and so the file) has it.
    void SetName(const std::string& name) {
        std::string trimmed = TrimmedName(name);
        if (trimmed != name_) {
            indexMark_.Changing(kEveryIndex);
        }
        name_ = std::move(trimmed);
    }

    const std::string& GetEmail() const { return email_; }
    const std::string& GetEmailAlt() const { return emailAlt_; }
    // Both addresses are stored trimmed of white space; always true.
    bool SetEmail(const std::string& email);
    bool SetEmailAlt(const std::string& email);

    const std::string& GetUniqueId() const { return uniqueId_; }
    void SetUniqueId(const std::string& id) {
        if (id != uniqueId_) {
            indexMark_.Changing(1u << IndexedByKey);
        }
        uniqueId_ = id;
    }
    // The identity by which an existing person is found when adding, importing and merging.
    std::string GetUniqueIdOrName() const { return uniqueId_.empty() ? name_ : uniqueId_; }

    // Lists index people by that identity, pupils by name, and teachers by name and initials.
    // A person an index has recorded moves that kind's epoch when what was recorded changes,
    // and every index of the kind then rebuilds; people being made, copied or imported are
    // unrecorded, so filling a list stays cheap.
    enum IndexKind { IndexedByKey = 0, IndexedByPupilName = 1, IndexedByTeacherName = 2 };
    static unsigned long long IndexEpoch(IndexKind kind) {
        return indexEpochs_[kind].load(std::memory_order_relaxed);
    }
    void MarkIndexed(IndexKind kind) const { indexMark_.kinds |= 1u << kind; }

    // A kind outside the three counts as sent, so nothing is ever mailed for it.
    bool GetEmailSent(EmailTextKind kind) const;
    void SetEmailSent(EmailTextKind kind, bool sent);
    // Another number whenever the results mark is set or cleared, even to what it was, and for
    // each person made (a copy keeps it): the same number later means the same person, at the
    // same address or not, whose mark nobody has touched since.
    unsigned long long GetResultsMarkStamp() const { return resultsMarkStamp_; }

    // The one order of people: by surname (the text after the last blank, or the whole name when
    // there is no blank), then by whole name, byte-wise. 0 only for equal names; a null other
    // comes first.
    int Compare(const Person* other) const;

protected:
    // Something an index of that kind recorded of this person is about to change.
    void IndexedChanging(IndexKind kind) const { indexMark_.Changing(1u << kind); }

private:
    static constexpr unsigned kIndexKinds = 3;
    static constexpr unsigned kEveryIndex = (1u << kIndexKinds) - 1;

    // Copies start unrecorded; assigning over a recorded person may change anything recorded.
    struct IndexMark {
        IndexMark() = default;
        IndexMark(const IndexMark&) {}
        IndexMark& operator=(const IndexMark&) {
            Changing(kEveryIndex);
            return *this;
        }
        void Changing(unsigned which) const {
            for (unsigned kind = 0; kind < kIndexKinds; ++kind) {
                if ((kinds & which & (1u << kind)) != 0) {
                    indexEpochs_[kind].fetch_add(1, std::memory_order_relaxed);
                }
            }
        }
        mutable unsigned kinds = 0;
    };

    static std::atomic<unsigned long long> indexEpochs_[kIndexKinds];
    static std::atomic<unsigned long long> markStamps_;
    static unsigned long long NextMarkStamp() {
        return markStamps_.fetch_add(1, std::memory_order_relaxed) + 1;
    }

    std::string name_;
    std::string email_;
    std::string emailAlt_;
    bool emailSent_[3] = {false, false, false};
    unsigned long long resultsMarkStamp_ = NextMarkStamp();
    std::string uniqueId_;
    IndexMark indexMark_;
};
