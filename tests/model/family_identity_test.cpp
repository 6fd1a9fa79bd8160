#include "model/family_identity.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/parent.h"
#include "model/person_list.h"
#include "model/pupil.h"

namespace {

// "Name|first address line|id|Child/form,Child/form": an empty id is the name's own.
struct Written {
    std::string name, address, id;
    std::vector<FamilyLine::Child> children;
};

Written Read(const std::string& text) {
    Written w;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1) {
        parts.push_back(text.substr(start, bar - start));
    }
    parts.push_back(text.substr(start));
    w.name = parts[0];
    w.address = parts[1];
    w.id = parts[2];
    for (size_t s = 0; s < parts[3].size();) {
        size_t comma = parts[3].find(',', s);
        const std::string child =
            parts[3].substr(s, comma == std::string::npos ? comma : comma - s);
        w.children.push_back({child.substr(0, child.find('/')), child.substr(child.find('/') + 1)});
        s = comma == std::string::npos ? parts[3].size() : comma + 1;
    }
    return w;
}

class FamilyIdentityTest : public ::testing::Test {
protected:
    ~FamilyIdentityTest() override { parents.DeleteAll(); }

    Parent* Hold(const std::string& text) {
        const Written w = Read(text);
        auto* parent = new Parent(w.name);
        parent->SetAddress(0, w.address);
        parent->SetUniqueId(w.id.empty() ? w.name : w.id);
        for (const FamilyLine::Child& child : w.children) {
            auto pupil = std::make_unique<Pupil>(child.name);
            pupil->SetForm(child.form);
            parent->AddPupil(std::move(pupil));
        }
        parents.Append(parent);
        return parent;
    }

    static FamilyLine Line(const std::string& text, bool numberedApart = false) {
        const Written w = Read(text);
        FamilyLine line;
        line.name = w.name;
        line.address = w.address;
        line.id = w.id;
        line.children = w.children;
        line.numberedApart = numberedApart;
        return line;
    }

    // "Name [key]: found child, +" where + is a child who arrives; "new Name: ..." for a family
    // the line makes.
    static std::string Describe(const FamilyIdentity::Placement& placement) {
        std::string text =
            placement.family != nullptr
                ? placement.family->GetName() + " [" + placement.family->GetUniqueIdOrName() + "]:"
                : "new " + placement.name + ":";
        for (size_t i = 0; i < placement.children.size(); ++i) {
            const Pupil* child = placement.children[i];
            text += std::string(i == 0 ? " " : ", ") +
                    (child == nullptr ? std::string("+")
                                      : child->GetName() + " " + child->GetForm() + " of " +
                                            child->GetParent()->GetName());
        }
        return text;
    }

    ParentList parents;
};

TEST_F(FamilyIdentityTest, FindsTheFamilyAndChildrenALineDescribes) {
    struct Case {
        const char* what;
        std::vector<const char*> held;
        const char* line;
        bool numberedApart;
        const char* expected;
    };
    const Case cases[] = {
        {"a brother: same name, same address",
         {"Mr Cox|1 High St||Ben Cox/7A"},
         "Mr Cox|1 High St||Cat Cox/8B",
         false,
         "Mr Cox [Mr Cox]: +"},
        {"a namesake elsewhere is told apart",
         {"Mr Cox|1 High St||Ben Cox/7A"},
         "Mr Cox|9 Low Rd||Dan Cox/9C",
         false,
         "new Mr Cox (9 Low Rd): +"},
        {"the namesake's family found by its longer name",
         {"Mr Cox|1 High St||Ben Cox/7A", "Mr Cox (9 Low Rd)|9 Low Rd||Dan Cox/9C"},
         "Mr Cox|9 Low Rd||Eve Cox/7C,Dan Cox/9C",
         false,
         "Mr Cox (9 Low Rd) [Mr Cox (9 Low Rd)]: +, Dan Cox 9C of Mr Cox (9 Low Rd)"},
        {"a line told apart is found under its plain name",
         {"Mr Lee|5 Low Rd||Kim Lee/8C"},
         "Mr Lee (5 Low Rd)|5 Low Rd||Kim Lee/8C",
         false,
         "Mr Lee [Mr Lee]: Kim Lee 8C of Mr Lee"},
        {"a line without an address",
         {"Mrs Day|2 Elm Rd||"},
         "Mrs Day|||Fay Day/7A",
         false,
         "Mrs Day [Mrs Day]: +"},
        {"a number names the family after a move",
         {"Mrs Day|2 Elm Rd|D1|Fay Day/7A"},
         "Mrs Day|3 Oak Rd|D1|Gus Day/8A",
         false,
         "Mrs Day [D1]: +"},
        {"a number whose family agrees in nothing else is another's",
         {"Mr Lee|3 Mill Lane|L1|"},
         "Ms Lee|8 Far Way|L1|Kit Lee/7A",
         false,
         "new Ms Lee (8 Far Way): +"},
        {"numbered on the line only",
         {"Mr Lee|1 High St||Sam Lee/7A"},
         "Mr Lee|1 High St|S1|Sam Lee/7A",
         false,
         "Mr Lee [Mr Lee]: Sam Lee 7A of Mr Lee"},
        {"numbered in the event only",
         {"Mr Lee|1 High St|S1|Sam Lee/7A"},
         "Mr Lee|1 High St||Tom Lee/8A",
         false,
         "Mr Lee [S1]: +"},
        {"two numbers are two families",
         {"Mr Lee|1 High St|S1|Sam Lee/7A"},
         "Mr Lee|1 High St|S2|Tom Lee/8A",
         false,
         "new Mr Lee: +"},
        {"flats numbered apart: not the flat without its child",
         {"Mrs Khan|Oak House||Ali Khan/7A"},
         "Mrs Khan|Oak House|N2|Sara Khan/9C",
         true,
         "new Mrs Khan: +"},
        {"flats numbered apart: the flat with its child",
         {"Mrs Khan|Oak House||Ali Khan/7A"},
         "Mrs Khan|Oak House|N1|Ali Khan/7A",
         true,
         "Mrs Khan [Mrs Khan]: Ali Khan 7A of Mrs Khan"},
        {"of numbered namesakes at one address, the one with the child",
         {"Mr Lee|Oak House|S1|Sam Lee/7A", "Mr Lee|Oak House|S2|Kim Lee/9C"},
         "Mr Lee|Oak House||Kim Lee/9C",
         false,
         "Mr Lee [S2]: Kim Lee 9C of Mr Lee"},
        {"renamed in capitals, the address corrected",
         {"Mrs Fox|1 High St||Amy Fox/8A"},
         "MRS FOX|1 High Street||Amy Fox/8A,Tom Fox/7C",
         false,
         "Mrs Fox [Mrs Fox]: Amy Fox 8A of Mrs Fox, +"},
        {"another title at the same address",
         {"Mr Khan|4 Elm Rd||Ali Khan/9B"},
         "Mrs Khan|4 Elm Rd||Ali Khan/9B",
         false,
         "Mr Khan [Mr Khan]: Ali Khan 9B of Mr Khan"},
        {"a child's form a line leaves out",
         {"Mr Khan|4 Elm Rd||Ali Khan/9B"},
         "Mrs Khan|||Ali Khan/",
         false,
         "Mr Khan [Mr Khan]: Ali Khan 9B of Mr Khan"},
        {"another name and another address are another family",
         {"Mr Khan|4 Elm Rd||Ali Khan/9B"},
         "Mrs Jones|7 Far Way||Ali Khan/9B",
         false,
         "new Mrs Jones: +"},
        {"a namesake child in another form is another child",
         {"Mr Khan|4 Elm Rd||Ali Khan/9B"},
         "Mrs Khan|4 Elm Rd||Ali Khan/10C",
         false,
         "new Mrs Khan: +"},
        {"no parent named: each child by its name, form and address",
         {"Mr Lee|||Sam Lee/7A", "Mrs Lee|||Sam Lee/9C"},
         "|||Sam Lee/9C,Sam Lee/7A,Sam Lee/11D",
         false,
         "new Parents of Sam Lee: Sam Lee 9C of Mrs Lee, Sam Lee 7A of Mr Lee, +"},
        {"no parent named nor form",
         {"Mr Lee|||Sam Lee/7A"},
         "|||Sam Lee/",
         false,
         "new Parents of Sam Lee: Sam Lee 7A of Mr Lee"},
        {"no parent named, another address",
         {"Mr Lee|1 High St||Sam Lee/7A"},
         "|5 Low Rd||Sam Lee/7A",
         false,
         "new Parents of Sam Lee: +"},
        {"no parent named, the family of that name held",
         {"Parents of Sam Lee|||Sam Lee/"},
         "|||Sam Lee/7A",
         false,
         "Parents of Sam Lee [Parents of Sam Lee]: Sam Lee  of Parents of Sam Lee"},
        {"two of one name in a family, each its own form first",
         {"Mr Lee|2 Elm Rd||Sam Lee/7A,Sam Lee/10B"},
         "Mr Lee|2 Elm Rd||Sam Lee/10B,Sam Lee/12C,Sam Lee/7A",
         false,
         "Mr Lee [Mr Lee]: Sam Lee 10B of Mr Lee, +, Sam Lee 7A of Mr Lee"},
        {"a new form in the family the line names",
         {"Mr Lee|2 Elm Rd||Sam Lee/7A"},
         "Mr Lee|2 Elm Rd||Sam Lee/8A",
         false,
         "Mr Lee [Mr Lee]: Sam Lee 7A of Mr Lee"},
        {"the name in other capitals, a new child",
         {"Mr J Smith|1 High St||Amy Smith/9B"},
         "MR J SMITH|1 High St||Ben Smith/7C",
         false,
         "Mr J Smith [Mr J Smith]: +"},
        {"the address in other capitals, a new child",
         {"Mr J Smith|1 High St||Amy Smith/9B"},
         "Mr J Smith|1 HIGH ST||Ben Smith/7C",
         false,
         "Mr J Smith [Mr J Smith]: +"},
        {"the namesake's family by its longer name, the address in other capitals",
         {"Mr Cox|1 High St||Ben Cox/7A", "Mr Cox (9 Low Rd)|9 Low Rd||Dan Cox/9C"},
         "Mr Cox|9 LOW RD||Eve Cox/7C",
         false,
         "Mr Cox (9 Low Rd) [Mr Cox (9 Low Rd)]: +"},
        {"namesakes a line without an address cannot tell apart: each child in its own",
         {"Mr Cox|1 High St||Ben Cox/7A", "Mr Cox (9 Low Rd)|9 Low Rd||Dan Cox/9C"},
         "Mr Cox|||Ben Cox/7A,Dan Cox/9C,Eve Cox/7C",
         false,
         "Mr Cox [Mr Cox]: Ben Cox 7A of Mr Cox, Dan Cox 9C of Mr Cox (9 Low Rd), +"},
        {"namesakes, a line without an address: the family with its child",
         {"Mr Cox|1 High St||Ben Cox/7A", "Mr Cox (9 Low Rd)|9 Low Rd||Dan Cox/9C"},
         "Mr Cox|||Dan Cox/9C,Eve Cox/7C",
         false,
         "Mr Cox (9 Low Rd) [Mr Cox (9 Low Rd)]: Dan Cox 9C of Mr Cox (9 Low Rd), +"},
        {"namesakes, a line without an address: a namesake child in another form is new",
         {"Mr Cox|1 High St||Ben Cox/7A", "Mr Cox (9 Low Rd)|9 Low Rd||Dan Cox/9C"},
         "Mr Cox|||Dan Cox/7C",
         false,
         "Mr Cox [Mr Cox]: +"},
        {"a numbered family told apart, the line without number",
         {"Mr Cox|1 High St||Ben Cox/9A", "Mr Cox (9 Low Rd)|9 Low Rd|N1|Dan Cox/9C"},
         "Mr Cox|9 Low Rd||Eve Cox/7C",
         false,
         "Mr Cox (9 Low Rd) [N1]: +"},
        {"a family told apart whose address the line corrects",
         {"Mrs Fox (1 High St)|1 High St||Amy Fox/8A"},
         "Mrs Fox (1 High St)|1 High Street||Amy Fox/8A",
         false,
         "Mrs Fox (1 High St) [Mrs Fox (1 High St)]: Amy Fox 8A of Mrs Fox (1 High St)"},
        {"a name told apart at a corrected address, none of its children held",
         {"Mrs Fox (1 High St)|1 High St||Amy Fox/8A"},
         "Mrs Fox (1 High St)|1 High Street||Kay Fox/10B",
         false,
         "new Mrs Fox (1 High Street): +"},
        {"another parent, no address on either side: a namesake child",
         {"Mr Adam Smith|||Jack Smith/7B"},
         "Beth Kerr|||Jack Smith/7B",
         false,
         "new Beth Kerr: +"},
        {"another parent, the family here without an address",
         {"Mr Adam Smith|||Jack Smith/7B"},
         "Beth Kerr|3 Oak Rd||Jack Smith/7B",
         false,
         "new Beth Kerr: +"},
        {"another parent at the family's address: the child",
         {"Mr Adam Smith|3 Oak Rd||Jack Smith/7B"},
         "Beth Kerr|3 Oak Rd||Jack Smith/7B",
         false,
         "Mr Adam Smith [Mr Adam Smith]: Jack Smith 7B of Mr Adam Smith"},
        {"a surname alone, no addresses: the child",
         {"Mr Adam Smith|||Jack Smith/7B"},
         "SMITH|||Jack Smith/7B",
         false,
         "Mr Adam Smith [Mr Adam Smith]: Jack Smith 7B of Mr Adam Smith"},
        {"both contacts, no addresses: the child",
         {"Mr Adam Smith|||Jack Smith/7B"},
         "Mr Adam Smith and Mrs Beth Kerr|||Jack Smith/7B",
         false,
         "Mr Adam Smith [Mr Adam Smith]: Jack Smith 7B of Mr Adam Smith"},
        {"a title and an initial shared only, no addresses",
         {"Mr J Smith|||Jack Smith/7B"},
         "Mr J Kerr|||Jack Smith/7B",
         false,
         "new Mr J Kerr: +"},
        {"any parent of a family named for nobody",
         {"Parents of Jack Smith|||Jack Smith/7B"},
         "Beth Kerr|||Jack Smith/7B",
         false,
         "Parents of Jack Smith [Parents of Jack Smith]: Jack Smith 7B of Parents of Jack Smith"},
        {"no parent named, no addresses: the child of any family",
         {"Mr Adam Smith|||Jack Smith/7B"},
         "|||Jack Smith/7B",
         false,
         "new Parents of Jack Smith: Jack Smith 7B of Mr Adam Smith"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        parents.DeleteAll();
        for (const char* held : c.held) {
            Hold(held);
        }
        FamilyIdentity families(parents);
        EXPECT_EQ(c.expected, Describe(families.Place(Line(c.line, c.numberedApart))));
    }
}

// Within a run a child is found once, and a family the run added is found by its name but
// never by the children the run gave it.
TEST_F(FamilyIdentityTest, EachHeldChildIsFoundOnceAndAddedFamiliesOnlyByName) {
    Hold("Mr Lee|2 Elm Rd||Sam Lee/7A");
    FamilyIdentity families(parents);
    const FamilyLine sam = Line("Mr Lee|2 Elm Rd||Sam Lee/7A");
    EXPECT_EQ("Mr Lee [Mr Lee]: Sam Lee 7A of Mr Lee", Describe(families.Place(sam)));
    EXPECT_EQ("Mr Lee [Mr Lee]: +", Describe(families.Place(sam)));

    const FamilyIdentity::Placement fox = families.Place(Line("|||Amy Fox/8A"));
    ASSERT_EQ(nullptr, fox.family);
    Parent* added = Hold("Parents of Amy Fox|||Amy Fox/8A");
    families.Added(added);
    EXPECT_EQ("Parents of Amy Fox [Parents of Amy Fox]: +",
              Describe(families.Place(Line("|||Amy Fox/8A"))));
    EXPECT_EQ("new Mrs Fox: +", Describe(families.Place(Line("Mrs Fox|||Amy Fox/8A"))));
}

// A list of contacts gives each parent of a child a line. The later line, finding the family
// only through the child an earlier one took, is another contact of that child.
TEST_F(FamilyIdentityTest, AnotherContactOfAChildTakenFindsThatChild) {
    struct Case {
        const char* what;
        std::vector<const char*> held;
        const char* first;
        const char* second;
        const char* expected;  // the second line's placement
        bool again;            // its first child is the one the first line took
    };
    const Case cases[] = {
        {"one household, the second contact with a new child",
         {"Mr John Smith|1 High St||Amy Smith/7B"},
         "Mr John Smith|1 High St||Amy Smith/7B",
         "Mrs Jane Smith|1 High St||Amy Smith/7B,Ben Smith/8C",
         "Mr John Smith [Mr John Smith]: Amy Smith 7B of Mr John Smith, +",
         true},
        {"one household, renamed since: both lines find the child",
         {"Mr John Smith|1 High St||Amy Smith/7B"},
         "MR JOHN SMITH|1 High St||Amy Smith/7B",
         "Mrs Jane Smith|1 High St||Amy Smith/",
         "Mr John Smith [Mr John Smith]: Amy Smith 7B of Mr John Smith",
         true},
        {"a namesake of another form is another child",
         {"Mr John Smith|1 High St||Amy Smith/7B"},
         "Mr John Smith|1 High St||Amy Smith/7B",
         "Mrs Jane Smith|1 High St||Amy Smith/9C",
         "new Mrs Jane Smith: +",
         false},
        {"another household, the family here without an address",
         {"Mr Smith|||Amy Smith/7B"},
         "Mr Smith|1 High St||Amy Smith/7B",
         "Mrs Jones|5 Oak Rd||Amy Smith/7B",
         "new Mrs Jones: +",
         false},
        {"twins of one name in a family, the second not yet taken",
         {"Mr Lee|2 Elm Rd||Sam Lee/7A,Sam Lee/7A"},
         "Mr Lee|2 Elm Rd||Sam Lee/7A",
         "Mrs Lee|2 Elm Rd||Sam Lee/7A",
         "Mr Lee [Mr Lee]: Sam Lee 7A of Mr Lee",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        parents.DeleteAll();
        for (const char* held : c.held) {
            Hold(held);
        }
        FamilyIdentity families(parents);
        const FamilyIdentity::Placement first = families.Place(Line(c.first));
        ASSERT_NE(nullptr, first.family);
        ASSERT_NE(nullptr, first.children.front());
        const FamilyIdentity::Placement second = families.Place(Line(c.second));
        EXPECT_EQ(c.expected, Describe(second));
        EXPECT_EQ(c.again, first.children.front() == second.children.front());
    }
}

// A family removed or added beside the run is seen at the next look-up.
TEST_F(FamilyIdentityTest, FamiliesChangedBesideTheRunAreSeen) {
    Parent* lee = Hold("Mr Lee|2 Elm Rd||Sam Lee/7A");
    Hold("Mrs Fox|1 High St||Amy Fox/8A");
    FamilyIdentity families(parents);
    delete parents.RemoveAt(static_cast<unsigned>(parents.IndexOf(lee)));
    EXPECT_EQ("new Parents of Sam Lee: +", Describe(families.Place(Line("|||Sam Lee/7A"))));
    Hold("Mr Cox|3 Oak Rd||");
    EXPECT_EQ("Mr Cox [Mr Cox]: +", Describe(families.Place(Line("Mr Cox|3 Oak Rd||Ben Cox/9A"))));
    EXPECT_EQ("Mrs Fox [Mrs Fox]: Amy Fox 8A of Mrs Fox",
              Describe(families.Place(Line("Mrs Fox|1 High St||Amy Fox/8A"))));
}

TEST_F(FamilyIdentityTest, ANewFamilyDropsAnIdentifierThatWasOnlyItsOldName) {
    struct Case {
        const char* id;
        const char* expectedKey;
    };
    const Case cases[] = {{"", "Mr Cox (9 Low Rd)"}, {"Mr Cox", "Mr Cox (9 Low Rd)"}, {"C7", "C7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Parent family("Mr Cox");
        family.SetUniqueId(c.id);
        FamilyIdentity::Placement placement;
        placement.name = "Mr Cox (9 Low Rd)";
        FamilyIdentity::Name(family, placement);
        EXPECT_EQ("Mr Cox (9 Low Rd)", family.GetName());
        EXPECT_EQ(c.expectedKey, family.GetUniqueIdOrName());
    }
}

}  // namespace
