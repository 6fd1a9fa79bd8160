#include "model/family_identity.h"

#include <algorithm>
#include <cctype>
#include <span>

#include "foundation/string_functions.h"
#include "model/parent.h"
#include "model/person_list.h"
#include "model/pupil.h"

namespace {

bool SameAddress(const std::string& a, const std::string& b) {
    return EqualsIgnoringCase(a, b);
}

// A list without addresses, or a family typed in without one, says nothing to tell a family
// apart by.
bool AddressesAgree(const std::string& a, const std::string& b) {
    return a.empty() || b.empty() || SameAddress(a, b);
}

bool FormsAgree(const std::string& a, const std::string& b) {
    return a.empty() || b.empty() || EqualsIgnoringCase(a, b);
}

bool IsNumbered(const Parent& family) {
    const std::string& id = family.GetUniqueId();
    return !id.empty() && id != family.GetName();
}

std::string ToldApart(const std::string& name, const std::string& address) {
    return name + " (" + address + ")";
}

// The name without the " (first address line)" that told it apart from a namesake.
std::string PlainName(const std::string& name, const std::string& address) {
    const std::string suffix = " (" + address + ")";
    if (address.empty() || name.size() <= suffix.size() ||
        !EqualsIgnoringCase(name.substr(name.size() - suffix.size()), suffix)) {
        return name;
    }
    return TrimmedName(name.substr(0, name.size() - suffix.size()));
}

// Either of the family's names (its own, or the one it was told apart from) is the line's.
bool NamesAgree(const Parent& family, const std::string& name, const std::string& plain) {
    const std::string familyPlain = PlainName(family.GetName(), family.GetAddress(0));
    for (const std::string* ours : {&family.GetName(), &familyPlain}) {
        if (EqualsIgnoringCase(*ours, name) || EqualsIgnoringCase(*ours, plain)) {
            return true;
        }
    }
    return false;
}

// The words of a name that tell one parent from another: a title, an initial or a joining word
// is shared by too many.
std::set<std::string> TellingWords(const std::string& name) {
    static const std::set<std::string> common = {"mr", "mrs", "ms", "miss",   "mx",
                                                 "dr", "and", "of", "parents"};
    std::set<std::string> words;
    std::string word;
    for (size_t i = 0; i <= name.size(); ++i) {
        const auto c = i < name.size() ? static_cast<unsigned char>(name[i]) : ' ';
        if (std::isalnum(c) != 0 || c >= 0x80) {
            word += static_cast<char>(c);
            continue;
        }
        if (word.size() > 1 && common.count(FoldASCIICase(word)) == 0) {
            words.insert(FoldASCIICase(word));
        }
        word.clear();
    }
    return words;
}

// "Parents of" the child, perhaps told apart from a namesake family by its address or form.
bool NamedForChild(const std::string& familyName, const std::string& child) {
    const std::string named = "Parents of " + child;
    return familyName == named || familyName.rfind(named + " (", 0) == 0;
}

// Without an address on both sides, a parent of another surname is another family, whose child
// only shares a name with this family's; a family named for nobody may be anyone's.
bool MayNameItsParent(const Parent& family, const std::string& name) {
    for (unsigned i = 0; i < family.GetPupilCount(); ++i) {
        if (NamedForChild(family.GetName(), family.GetPupil(i)->GetName())) {
            return true;
        }
    }
    const std::set<std::string> ours = TellingWords(family.GetName());
    for (const std::string& word : TellingWords(name)) {
        if (ours.count(word) != 0) {
            return true;
        }
    }
    return false;
}

// A family of another name is the line's through its child at the line's address, or, where
// either side has none, when it may name the line's parent.
bool MayBeTheLines(const Parent& family, const FamilyLine& line, const std::string& name) {
    const std::string& address = family.GetAddress(0);
    return AddressesAgree(address, line.address) &&
           ((!address.empty() && !line.address.empty()) || MayNameItsParent(family, name));
}

}  // namespace

FamilyLine FamilyLine::Of(const Parent& family, const std::set<std::string>& numberedApart) {
    FamilyLine line;
    line.name = family.GetName();
    line.address = family.GetAddress(0);
    line.id = family.GetUniqueId();
    for (unsigned i = 0; i < family.GetPupilCount(); ++i) {
        const Pupil* pupil = family.GetPupil(i);
        line.children.push_back({pupil->GetName(), pupil->GetForm()});
    }
    if (!IsNumbered(family) && !line.children.empty() &&
        line.name == "Parents of " + line.children.front().name) {
        line.name.clear();
    }
    line.numberedApart = numberedApart.count(ParentList::FamilyPlace(family)) != 0;
    return line;
}

FamilyIdentity::FamilyIdentity(const ParentList& parents) : parents_(parents) {
    for (unsigned i = 0; i < parents_.Count(); ++i) {
        Parent* family = parents_.At(i);
        for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
            Pupil* pupil = family->GetPupil(k);
            heldBefore_.insert(pupil);
            held_[FoldASCIICase(pupil->GetName())].push_back({pupil, family, false, nullptr});
        }
        Index(family);
    }
    version_ = parents_.Version();
}

FamilyIdentity::~FamilyIdentity() = default;

void FamilyIdentity::Index(Parent* family) {
    // The first of equal keys stays the one found, as the event's own look-up has it.
    byKey_.emplace(family->GetUniqueIdOrName(), family);
    const std::string name = FoldASCIICase(family->GetName());
    const std::string plain = FoldASCIICase(PlainName(family->GetName(), family->GetAddress(0)));
    byName_[name].push_back(family);
    if (plain != name) {
        byName_[plain].push_back(family);
    }
}

void FamilyIdentity::Added(Parent* family) {
    if (family == nullptr) {
        return;
    }
    // Anything but this one family appended since is seen by making the tables again.
    const unsigned count = parents_.Count();
    if (parents_.Version() != version_ + 1 || count == 0 || parents_.At(count - 1) != family) {
        Refresh();
        return;
    }
    Index(family);
    version_ = parents_.Version();
}

// Something besides the run added or removed a family: the tables are made again from the list,
// and only children held when the run began (and still there) can be found.
void FamilyIdentity::Refresh() {
    if (parents_.Version() == version_) {
        return;
    }
    std::unordered_map<const Pupil*, const Parent*> taken;
    for (const auto& [name, children] : held_) {
        for (const Held& child : children) {
            if (child.taken) {
                taken.emplace(child.pupil, child.takenFor);
            }
        }
    }
    byKey_.clear();
    byName_.clear();
    held_.clear();
    for (unsigned i = 0; i < parents_.Count(); ++i) {
        Parent* family = parents_.At(i);
        for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
            Pupil* pupil = family->GetPupil(k);
            if (heldBefore_.count(pupil) != 0) {
                const auto took = taken.find(pupil);
                held_[FoldASCIICase(pupil->GetName())].push_back(
                    {pupil, family, took != taken.end(),
                     took != taken.end() ? took->second : nullptr});
            }
        }
        Index(family);
    }
    version_ = parents_.Version();
}

Parent* FamilyIdentity::ByKey(const std::string& key) const {
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : found->second;
}

bool FamilyIdentity::Shares(const Parent* family, const FamilyLine& line) const {
    for (const FamilyLine::Child& child : line.children) {
        const auto found = held_.find(FoldASCIICase(child.name));
        if (found == held_.end()) {
            continue;
        }
        for (const Held& held : found->second) {
            if (held.family == family && FormsAgree(held.pupil->GetForm(), child.form)) {
                return true;
            }
        }
    }
    return false;
}

FamilyIdentity::Placement FamilyIdentity::Place(const FamilyLine& line) {
    Placement placement = PlaceLine(line);
    for (size_t i = 0; i < line.children.size(); ++i) {
        const auto found = held_.find(FoldASCIICase(line.children[i].name));
        if (placement.children[i] == nullptr || found == held_.end()) {
            continue;
        }
        for (Held& held : found->second) {
            if (held.pupil == placement.children[i] && held.takenFor == nullptr) {
                held.takenFor = placement.family;
            }
        }
    }
    return placement;
}

FamilyIdentity::Placement FamilyIdentity::PlaceLine(const FamilyLine& line) {
    Refresh();
    Placement placement;
    placement.children.assign(line.children.size(), nullptr);
    std::string name = TrimmedName(line.name);
    if (name.empty() && !line.children.empty()) {
        name = "Parents of " + line.children.front().name;
    }
    const bool numbered = !line.id.empty() && line.id != name;
    // A preview or a copy that met a namesake first told this family apart by its address;
    // here it may be known by its plain name.
    const std::string plain = numbered ? name : PlainName(name, line.address);
    const bool unnamed =
        !numbered && (TrimmedName(line.name).empty() ||
                      (line.listed && !line.children.empty() &&
                       plain == "Parents of " + line.children.front().name));

    bool byName = true;
    Parent* family = FindByKey(line, plain, numbered);
    // A copy's family named for nobody is this event's family of that name, found wherever it
    // lives now; a list's says only its child's name.
    if (family == nullptr && unnamed && !line.listed) {
        family = FindNamedForNobody(line, plain);
    }
    if (family == nullptr && !unnamed) {
        family = FindByName(line, plain, numbered);
    }
    if (family == nullptr && !unnamed) {
        family = FindByChildren(line, name, plain, numbered);
        byName = false;
    }
    // A list that names no parent knows a child only by its own name, form and address: one
    // held in another form is a namesake, whose family is not the held child's.
    if (family != nullptr && unnamed && line.listed) {
        ClaimWithin(family, line, placement, false);
        ClaimAnywhere(line, placement);
        ClaimTakenWithin(family, line, placement, false);
        if (HoldsAnArrivingName(family, line, placement)) {
            placement.name = ApartName(line, plain, placement);
            return placement;
        }
        placement.family = family;
        placement.name = family->GetName();
        return placement;
    }
    if (family != nullptr) {
        placement.family = family;
        placement.name = family->GetName();
        ClaimWithin(family, line, placement, false);
        // A line that cannot tell its name's families apart finds each child in its own; a
        // numbered line too, whose family a list may have joined to a namesake's of its name.
        if (byName) {
            for (const Parent* namesake : Namesakes(line, plain)) {
                if (namesake != family) {
                    ClaimWithin(namesake, line, placement, false);
                }
            }
        }
        ClaimWithin(family, line, placement, true);
        if (!byName) {
            ClaimAgain(family, line, placement);
            return placement;
        }
        // A child of the family that a line of another family took is that child again (a
        // second one of its name is a twin only beside its own family's line); one held in a
        // family renamed here, which the line's name no longer finds, is that family's.
        ClaimTakenWithin(family, line, placement, true);
        ClaimThroughChildren(line, name, plain, numbered, placement);
        return placement;
    }
    // A list that names no parent knows a child only by its own name, form and address.
    if (unnamed) {
        ClaimAnywhere(line, placement);
    }
    placement.name = NewName(line, plain, numbered);
    return placement;
}

// The families known by the line's name in any capitals, or by "Name (first address line)",
// whose address agrees: those numbered only when they hold one of the line's children.
std::vector<Parent*> FamilyIdentity::Namesakes(const FamilyLine& line,
                                               const std::string& plain) const {
    std::vector<Parent*> namesakes;
    const auto found = byName_.find(FoldASCIICase(plain));
    if (found == byName_.end()) {
        return namesakes;
    }
    for (Parent* family : found->second) {
        if (AddressesAgree(family->GetAddress(0), line.address) &&
            (!IsNumbered(*family) || Shares(family, line))) {
            namesakes.push_back(family);
        }
    }
    return namesakes;
}

Parent* FamilyIdentity::FindByKey(const FamilyLine& line, const std::string& plain,
                                  bool numbered) const {
    const std::string& address = line.address;
    if (numbered) {
        // The school's number is the family wherever it lives now; a number whose family
        // agrees in nothing else is another family's, and the event refuses the line's.
        Parent* family = ByKey(line.id);
        if (family != nullptr &&
            (AddressesAgree(family->GetAddress(0), address) ||
             EqualsIgnoringCase(PlainName(family->GetName(), family->GetAddress(0)), plain) ||
             Shares(family, line))) {
            return family;
        }
        return nullptr;
    }
    // Of namesakes a missing address cannot tell apart, the one holding the line's child, then
    // the one at its address, then the one of its very name.
    Parent* best = nullptr;
    int bestRank = -1;
    for (Parent* family : Namesakes(line, plain)) {
        const std::string& name = family->GetName();
        const int rank = (Shares(family, line) ? 4 : 0) +
                         (!address.empty() && !family->GetAddress(0).empty() ? 2 : 0) +
                         (name == plain || name == ToldApart(plain, address) ? 1 : 0);
        if (rank > bestRank) {
            best = family;
            bestRank = rank;
        }
    }
    return best;
}

Parent* FamilyIdentity::FindNamedForNobody(const FamilyLine& line, const std::string& plain) const {
    const auto found = byName_.find(FoldASCIICase(plain));
    if (found == byName_.end()) {
        return nullptr;
    }
    for (Parent* family : found->second) {
        if (!IsNumbered(*family) && Shares(family, line)) {
            return family;
        }
    }
    return nullptr;
}

// A family numbered on one side only: the same name and first address line.
Parent* FamilyIdentity::FindByName(const FamilyLine& line, const std::string& plain,
                                   bool numbered) const {
    const auto found = byName_.find(FoldASCIICase(plain));
    if (found == byName_.end()) {
        return nullptr;
    }
    Parent* first = nullptr;
    for (Parent* family : found->second) {
        if (!SameAddress(family->GetAddress(0), line.address) ||
            (numbered && IsNumbered(*family))) {
            continue;
        }
        const bool shares = Shares(family, line);
        // Flats of one house the list numbers apart would all fall into one family known by
        // name: only the one with its child is that family.
        if (numbered && line.numberedApart && !shares) {
            continue;
        }
        if (shares) {
            return family;
        }
        if (first == nullptr) {
            first = family;
        }
    }
    return first;
}

// A family renamed since (only its capitals, another title) or whose address was corrected is
// still the one holding the line's child. A child an earlier line took is looked for last: the
// line is then another contact of that child.
Parent* FamilyIdentity::FindByChildren(const FamilyLine& line, const std::string& name,
                                       const std::string& plain, bool numbered) const {
    for (const bool taken : {false, true}) {
        Parent* atAddress = nullptr;
        for (const FamilyLine::Child& child : line.children) {
            const auto found = held_.find(FoldASCIICase(child.name));
            if (found == held_.end()) {
                continue;
            }
            for (const Held& held : found->second) {
                Parent* family = held.family;
                if (held.taken != taken || !FormsAgree(held.pupil->GetForm(), child.form) ||
                    (numbered && IsNumbered(*family) && family->GetUniqueId() != line.id)) {
                    continue;
                }
                if (NamesAgree(*family, name, plain)) {
                    return family;
                }
                if (atAddress == nullptr && MayBeTheLines(*family, line, name)) {
                    atAddress = family;
                }
            }
        }
        if (atAddress != nullptr) {
            return atAddress;
        }
    }
    return nullptr;
}

// A child the line's family does not hold is still the one held in a family that the line
// would find through that child (renamed here since), not a new one.
void FamilyIdentity::ClaimThroughChildren(const FamilyLine& line, const std::string& name,
                                          const std::string& plain, bool numbered,
                                          Placement& placement) {
    for (size_t i = 0; i < line.children.size(); ++i) {
        if (placement.children[i] != nullptr) {
            continue;
        }
        const FamilyLine::Child& child = line.children[i];
        const auto found = held_.find(FoldASCIICase(child.name));
        if (found == held_.end()) {
            continue;
        }
        for (Held& held : found->second) {
            const Parent& family = *held.family;
            if (held.taken || !FormsAgree(held.pupil->GetForm(), child.form) ||
                (numbered && IsNumbered(family) && family.GetUniqueId() != line.id) ||
                (!NamesAgree(family, name, plain) && !MayBeTheLines(family, line, name))) {
                continue;
            }
            held.taken = true;
            placement.children[i] = held.pupil;
            break;
        }
    }
}

std::string FamilyIdentity::NewName(const FamilyLine& line, const std::string& plain,
                                    bool numbered) const {
    const std::string& address = line.address;
    if (address.empty()) {
        return plain;
    }
    if (numbered) {
        return ByKey(line.id) != nullptr ? ToldApart(plain, address) : plain;
    }
    const Parent* namesake = ByKey(plain);
    if (namesake == nullptr || namesake->GetAddress(0).empty() ||
        SameAddress(namesake->GetAddress(0), address)) {
        return plain;
    }
    // The line's name is one told apart here by an address it has corrected since: told apart
    // again from the name it had, not once more.
    const std::string told = PlainName(namesake->GetName(), namesake->GetAddress(0));
    return ToldApart(told != namesake->GetName() ? told : plain, address);
}

// Another line for a held child that an earlier, fuller line took is that child again; byAnother:
// only one that a line of another family took.
void FamilyIdentity::ClaimTakenWithin(const Parent* family, const FamilyLine& line,
                                      Placement& placement, bool byAnother) const {
    for (const FormRule rule : {FormRule::Same, FormRule::Agrees}) {
        for (size_t i = 0; i < line.children.size(); ++i) {
            if (placement.children[i] != nullptr) {
                continue;
            }
            const FamilyLine::Child& child = line.children[i];
            const auto found = held_.find(FoldASCIICase(child.name));
            if (found == held_.end()) {
                continue;
            }
            for (const Held& held : found->second) {
                const std::string& form = held.pupil->GetForm();
                if (held.family != family || !held.taken ||
                    (byAnother && held.takenFor == family) ||
                    (rule == FormRule::Same && !EqualsIgnoringCase(form, child.form)) ||
                    (rule == FormRule::Agrees && !FormsAgree(form, child.form)) ||
                    std::find(placement.children.begin(), placement.children.end(),
                              held.pupil) != placement.children.end()) {
                    continue;
                }
                placement.children[i] = held.pupil;
                break;
            }
        }
    }
}

bool FamilyIdentity::HoldsAnArrivingName(const Parent* family, const FamilyLine& line,
                                         const Placement& placement) const {
    for (size_t i = 0; i < line.children.size(); ++i) {
        if (placement.children[i] != nullptr) {
            continue;
        }
        const auto found = held_.find(FoldASCIICase(line.children[i].name));
        if (found == held_.end()) {
            continue;
        }
        for (const Held& held : found->second) {
            if (held.family == family) {
                return true;
            }
        }
    }
    return false;
}

// A family named for nobody beside a namesake's: told apart by its address, or without one by
// its child's form, so that the event can hold both.
std::string FamilyIdentity::ApartName(const FamilyLine& line, const std::string& plain,
                                      const Placement& placement) const {
    std::vector<std::string> names = {plain};
    if (!line.address.empty()) {
        names.push_back(ToldApart(plain, line.address));
    }
    for (size_t i = 0; i < line.children.size(); ++i) {
        if (placement.children[i] == nullptr && !line.children[i].form.empty()) {
            names.push_back(ToldApart(plain, line.children[i].form));
            break;
        }
    }
    for (const std::string& name : names) {
        if (ByKey(name) == nullptr) {
            return name;
        }
    }
    return plain;
}

// Two children of one name in a family are two children: each line takes one the family held
// that no other line has taken, one of its own form first, and only then one of another
// (formCorrected).
void FamilyIdentity::ClaimWithin(const Parent* family, const FamilyLine& line, Placement& placement,
                                 bool formCorrected) {
    static constexpr FormRule kByForm[] = {FormRule::Same, FormRule::Agrees};
    static constexpr FormRule kAnyForm[] = {FormRule::Any};
    for (const FormRule rule :
         formCorrected ? std::span<const FormRule>(kAnyForm) : std::span<const FormRule>(kByForm)) {
        for (size_t i = 0; i < line.children.size(); ++i) {
            if (placement.children[i] != nullptr) {
                continue;
            }
            const FamilyLine::Child& child = line.children[i];
            const auto found = held_.find(FoldASCIICase(child.name));
            if (found == held_.end()) {
                continue;
            }
            for (Held& held : found->second) {
                const std::string& form = held.pupil->GetForm();
                if (held.family != family || held.taken ||
                    (rule == FormRule::Same && !EqualsIgnoringCase(form, child.form)) ||
                    (rule == FormRule::Agrees && !FormsAgree(form, child.form))) {
                    continue;
                }
                held.taken = true;
                placement.children[i] = held.pupil;
                break;
            }
        }
    }
}

// A family found only through its child is that child's family: a child of the line it has
// already (one another line took, or one this run gave it) is that child, not a second one.
void FamilyIdentity::ClaimAgain(const Parent* family, const FamilyLine& line,
                                Placement& placement) {
    for (const FormRule rule : {FormRule::Same, FormRule::Agrees}) {
        for (size_t i = 0; i < line.children.size(); ++i) {
            if (placement.children[i] != nullptr) {
                continue;
            }
            const FamilyLine::Child& child = line.children[i];
            for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
                Pupil* pupil = family->GetPupil(k);
                const std::string& form = pupil->GetForm();
                if (!EqualsIgnoringCase(pupil->GetName(), child.name) ||
                    (rule == FormRule::Same && !EqualsIgnoringCase(form, child.form)) ||
                    (rule == FormRule::Agrees && !FormsAgree(form, child.form)) ||
                    std::find(placement.children.begin(), placement.children.end(), pupil) !=
                        placement.children.end()) {
                    continue;
                }
                placement.children[i] = pupil;
                break;
            }
        }
    }
}

// Namesakes in two forms are two children; a form one side leaves out tells nothing.
void FamilyIdentity::ClaimAnywhere(const FamilyLine& line, Placement& placement) {
    for (const FormRule rule : {FormRule::Same, FormRule::Agrees}) {
        for (size_t i = 0; i < line.children.size(); ++i) {
            if (placement.children[i] != nullptr) {
                continue;
            }
            const FamilyLine::Child& child = line.children[i];
            const auto found = held_.find(FoldASCIICase(child.name));
            if (found == held_.end()) {
                continue;
            }
            for (Held& held : found->second) {
                const std::string& form = held.pupil->GetForm();
                if (held.taken || !AddressesAgree(held.family->GetAddress(0), line.address) ||
                    (rule == FormRule::Same && !EqualsIgnoringCase(form, child.form)) ||
                    (rule == FormRule::Agrees && !FormsAgree(form, child.form))) {
                    continue;
                }
                held.taken = true;
                placement.children[i] = held.pupil;
                break;
            }
        }
    }
}

void FamilyIdentity::Name(Parent& family, const Placement& placement) {
    if (placement.name == family.GetName()) {
        return;
    }
    if (!IsNumbered(family)) {
        family.SetUniqueId(std::string());
    }
    family.SetName(placement.name);
}
