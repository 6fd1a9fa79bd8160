#include "app/event_changes.h"

#include <string>

#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// FNV-1a: cheap, and plenty for telling one state of a school from the next.
class Hash {
public:
    void Add(const void* address) {
        const auto value = reinterpret_cast<std::uintptr_t>(address);
        for (unsigned byte = 0; byte < sizeof value; ++byte) {
            Mix(static_cast<unsigned char>(value >> (8 * byte)));
        }
    }
    void Add(const std::string& text) {
        for (const char c : text) {
            Mix(static_cast<unsigned char>(c));
        }
        Mix(0);  // so that "ab","c" and "a","bc" differ
    }
    // Between groups, so that moving someone from one group to the next shows.
    void EndGroup() { Add(static_cast<const void*>(nullptr)); }
    std::uint64_t Value() const { return value_; }

private:
    void Mix(unsigned char byte) {
        value_ ^= byte;
        value_ *= 0x100000001b3ULL;
    }

    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

}  // namespace

PeopleDigest DigestPeople(const Event* event) {
    if (event == nullptr) {
        return {};
    }
    Hash members;
    Hash names;
    const TeacherList& teachers = event->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        const Teacher* teacher = teachers.Get(i);
        members.Add(teacher);
        names.Add(teacher->GetDisplayName());
        names.Add(teacher->GetInitials());
    }
    members.EndGroup();
    const ParentList& parents = event->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.Get(i);
        members.Add(parent);
        names.Add(parent->GetDisplayName());
        for (unsigned k = 0; k < parent->GetPupilCount(); ++k) {
            const Pupil* pupil = parent->GetPupil(k);
            members.Add(pupil);
            members.Add(pupil->GetForm());
            names.Add(pupil->GetDisplayName());
        }
        members.EndGroup();
    }
    const PresentationList& presentations = event->GetPresentations();
    for (unsigned i = 0; i < presentations.Count(); ++i) {
        const Presentation* presentation = presentations.GetPresentation(i);
        members.Add(presentation);
        names.Add(presentation->GetDescription());
    }
    return {members.Value(), names.Value()};
}
