#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_collectable.h"
#include "foundation/uc_string_list.h"

// What the XML parser produces: body texts, tags and element nodes. GetClassName tells them
// apart. Texts and attribute values are kept exactly as written (no entity decoding).
class UCXMLComponent : public UCCollectable {
public:
    const char* GetClassName() const override { return "UCXMLComponent"; }
};

// One tag with its attributes; also a '<?...>' or '<!...>' construct, whose whole text is the
// name.
class UCXMLTag : public UCXMLComponent {
public:
    explicit UCXMLTag(const std::string& name) : name_(name) {}
    const char* GetClassName() const override { return "UCXMLTag"; }

    const std::string& GetName() const { return name_; }
    void SetSelfClosing(bool on) { selfClosing_ = on; }
    void SetClosing(bool on) { closing_ = on; }
    void SetMarkup(bool on) { markup_ = on; }
    // Ended with "/>".
    bool IsSelfClosing() const { return selfClosing_; }
    // Began with "</".
    bool IsClosing() const { return closing_; }
    // Began with "<!" (a comment or a declaration).
    bool IsMarkup() const { return markup_; }
    // Began with "<?": the XML declaration or another processing instruction.
    bool IsInstruction() const { return !name_.empty() && name_[0] == '?'; }

    void AddAttribute(const std::string& name, const std::string& value);
    unsigned GetAttributeCount() const { return attributeNames_.Count(); }
    // False when i is not below the attribute count.
    bool GetAttribute(unsigned i, std::string& name, std::string& value) const;
    // The value of the first attribute of that name ignoring case; empty when there is none.
    std::string GetAttributeValue(const char* name) const;

private:
    std::string name_;
    bool selfClosing_ = false;
    bool closing_ = false;
    bool markup_ = false;
    UCStringList attributeNames_{4};
    UCStringList attributeValues_{4};
};

// Text between tags, exactly as read.
class UCXMLBodyText : public UCXMLComponent {
public:
    explicit UCXMLBodyText(const std::string& text) : text_(text) {}
    const char* GetClassName() const override { return "UCXMLBodyText"; }
    const std::string& GetText() const { return text_; }

private:
    std::string text_;
};

// An element with its children in document order (texts, tags that open no element, and
// nested nodes), all owned. The document node has no tag.
class UCXMLNode : public UCXMLComponent {
public:
    explicit UCXMLNode(std::unique_ptr<UCXMLTag> tag = nullptr) : tag_(std::move(tag)) {}
    const char* GetClassName() const override { return "UCXMLNode"; }

    const UCXMLTag* GetTag() const { return tag_.get(); }
    unsigned GetChildCount() const { return static_cast<unsigned>(children_.size()); }
    // Null when i is past the end.
    const UCXMLComponent* GetChild(unsigned i) const {
        return i < children_.size() ? children_[i].get() : nullptr;
    }
    void AppendChild(std::unique_ptr<UCXMLComponent> child) {
        children_.push_back(std::move(child));
    }

private:
    std::vector<std::unique_ptr<UCXMLComponent>> children_;
    std::unique_ptr<UCXMLTag> tag_;
};
