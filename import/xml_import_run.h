#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/import_run.h"

class UCXMLTag;
class XMLParser;
class XMLTokeniser;

// Reads the pupils and their contacts from a school management system's XML export: each
// Pupil element (Forename, Surname, RegistrationGroup and any number of Contact elements with
// Title, Forename and Surname) becomes a pupil whose parent is named after all its contacts.
// Anything outside the Pupil elements is passed over; one component a step.
class XMLPupilsImportRun : public ImportRun {
public:
    XMLPupilsImportRun();
    ~XMLPupilsImportRun() override;

    bool Import(bool& more) override;

private:
    // At the end of the input: true when the document's elements were all closed, else
    // reported.
    bool DocumentEnded();
    bool ReadPupil();
    bool ReadContact(std::string& name);
    // Reads the element when the tag opens one of that name; any other tag is passed over.
    bool ReadTextElement(const UCXMLTag& tag, const char* name, std::string& text);
    bool ReadBodyUntilClose(const std::string& name, std::string& text);
    // The element's text as UTF-8, entities decoded and trimmed.
    std::string CleanText(const std::string& raw) const;

    // Made at the first step over this run's input.
    std::unique_ptr<XMLTokeniser> tokeniser_;
    std::unique_ptr<XMLParser> parser_;
    // The elements around the next component, outermost first (Pupil elements are read
    // whole).
    std::vector<std::string> openElements_;
    bool sawElement_ = false;
};

// Replaces the five predefined entities and decimal or hexadecimal character references;
// anything else that starts with '&' is kept as written.
std::string DecodeXMLEntities(const std::string& text);
