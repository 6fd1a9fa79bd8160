#include "foundation/xml_component.h"

#include <strings.h>

void UCXMLTag::AddAttribute(const std::string& name, const std::string& value) {
    attributeNames_.Append(name);
    attributeValues_.Append(value);
}

bool UCXMLTag::GetAttribute(unsigned i, std::string& name, std::string& value) const {
    if (i >= attributeNames_.Count()) {
        return false;
    }
    name = attributeNames_.Get(i);
    value = attributeValues_.Get(i);
    return true;
}

std::string UCXMLTag::GetAttributeValue(const char* name) const {
    if (name == nullptr) {
        return "";
    }
    for (unsigned i = 0; i < attributeNames_.Count(); ++i) {
        if (::strcasecmp(attributeNames_.Get(i).c_str(), name) == 0) {
            return attributeValues_.Get(i);
        }
    }
    return "";
}
