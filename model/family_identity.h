#pragma once

#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class Parent;
class ParentList;
class Pupil;

// What a line of a list, or a family of another copy of the event, says of one family.
struct FamilyLine {
    struct Child {
        std::string name;
        std::string form;  // empty: the list gives none
    };

    std::string name;     // empty: the list names no parent
    std::string address;  // the first address line
    std::string id;       // the school's number; empty, or the name, when it has none
    std::vector<Child> children;
    // The list holds this name and first address line under two school numbers or more.
    bool numberedApart = false;
    // A line of an imported list, not a family of a copy of this event: a family it names for
    // nobody ("Parents of" its child) says nothing but the child's name, form and address.
    bool listed = false;

    // A family of a preview or a copy: named "Parents of" its first child, without a number of
    // its own, it is one the list named no parent for. numberedApart as ParentList says it.
    static FamilyLine Of(const Parent& family, const std::set<std::string>& numberedApart = {});
};

// Decides who the family and the children of a line are among the families an event held when
// a run (an import, the move out of a preview, a merge) began, so that every road finds the
// same family and child. A child the event held is found once in a run, save by another
// contact of it; a family the run adds is found again by its number and name, never by
// children it did not hold before. Only the run changes the list meanwhile; anything else that
// adds or removes a family is seen at the next look-up.
class FamilyIdentity {
public:
    explicit FamilyIdentity(const ParentList& parents);
    ~FamilyIdentity();
    FamilyIdentity(const FamilyIdentity&) = delete;
    FamilyIdentity& operator=(const FamilyIdentity&) = delete;

    struct Placement {
        // The held family the line is; null when it is a new one.
        Parent* family = nullptr;
        // The name the family goes by: a new family's, told apart by its address from a
        // namesake elsewhere ("Name (first address line)").
        std::string name;
        // For each child of the line, in order: the held child it is (perhaps of another
        // family, for a line that names no parent or a namesake family the line cannot tell
        // apart), or null for a child who arrives.
        std::vector<Pupil*> children;
    };

    // Finds the line's family and children; the children found are taken, so that no later
    // line finds them again.
    Placement Place(const FamilyLine& line);
    // A family the run has added: later lines find it by its number and name.
    void Added(Parent* family);
    // Gives a new family made from the line the name Place settled, and drops an identifier
    // that was only its old name, which would still be its key.
    static void Name(Parent& family, const Placement& placement);

private:
    struct Held {
        Pupil* pupil;
        Parent* family;
        bool taken;
        // The family of the line that took it; null for a line that made a new one.
        const Parent* takenFor = nullptr;
    };
    enum class FormRule { Same, Agrees, Any };

    void Index(Parent* family);
    void Refresh();
    std::vector<Parent*> Namesakes(const FamilyLine& line, const std::string& plain) const;
    Parent* FindByKey(const FamilyLine& line, const std::string& plain, bool numbered) const;
    Parent* FindByName(const FamilyLine& line, const std::string& plain, bool numbered) const;
    Parent* FindNamedForNobody(const FamilyLine& line, const std::string& plain) const;
    Parent* FindByChildren(const FamilyLine& line, const std::string& name,
                           const std::string& plain, bool numbered) const;
    bool Shares(const Parent* family, const FamilyLine& line) const;
    std::string NewName(const FamilyLine& line, const std::string& plain, bool numbered) const;
    std::string ApartName(const FamilyLine& line, const std::string& plain,
                          const Placement& placement) const;
    void ClaimTakenWithin(const Parent* family, const FamilyLine& line, Placement& placement,
                          bool byAnother) const;
    Placement PlaceLine(const FamilyLine& line);
    bool HoldsAnArrivingName(const Parent* family, const FamilyLine& line,
                             const Placement& placement) const;
    Parent* ByKey(const std::string& key) const;
    void ClaimWithin(const Parent* family, const FamilyLine& line, Placement& placement,
                     bool formCorrected);
    void ClaimAnywhere(const FamilyLine& line, Placement& placement);
    void ClaimThroughChildren(const FamilyLine& line, const std::string& name,
                              const std::string& plain, bool numbered, Placement& placement);
    static void ClaimAgain(const Parent* family, const FamilyLine& line, Placement& placement);

    const ParentList& parents_;
    unsigned long long version_ = 0;
    std::unordered_map<std::string, Parent*> byKey_;
    // Each family under its name and under the name it was told apart from, in any capitals.
    std::unordered_map<std::string, std::vector<Parent*>> byName_;
    // The children held when the run began, by folded name, in list order.
    std::unordered_map<std::string, std::vector<Held>> held_;
    std::unordered_set<const Pupil*> heldBefore_;
};
