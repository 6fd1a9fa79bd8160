// Parses arbitrary bytes as a whole XML document and again through the pull interface.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/uc_error.h"
#include "foundation/xml_parser.h"

namespace {

// Walks the whole tree, so that every node and its attributes are touched.
size_t Visit(const UCXMLComponent* component) {
    size_t count = 1;
    if (const auto* tag = dynamic_cast<const UCXMLTag*>(component)) {
        std::string name;
        std::string value;
        for (unsigned i = 0; tag->GetAttribute(i, name, value); ++i) {
            count += name.size() + value.size();
        }
    } else if (const auto* node = dynamic_cast<const UCXMLNode*>(component)) {
        if (node->GetTag() != nullptr) {
            count += Visit(node->GetTag());
        }
        for (unsigned i = 0; i < node->GetChildCount(); ++i) {
            count += Visit(node->GetChild(i));
        }
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UCStringError quiet;
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        XMLTokeniser tokeniser(input);
        XMLParser parser(&tokeniser);
        auto document = parser.ParseDocument();
        if (document == nullptr) {
            __builtin_trap();
        }
        Visit(document.get());
    }
    {
        XMLTokeniser tokeniser(input);
        XMLParser parser(&tokeniser);
        while (auto tag = parser.FindTag("pupil")) {
            tag->GetAttributeValue("id");
        }
    }
    quiet.GetText();
    return 0;
}
