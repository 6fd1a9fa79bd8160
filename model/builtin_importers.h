#pragma once

#include "model/importer_base.h"

// The importers every event offers from the start: plain-text lists of teachers or pupils, one
// person a line, and the pupils and contacts of a school management system's XML export.

class ImporterTxtTeachers : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterTxtTeachers"; }
    ImporterKind GetKind() const override { return ImporterKind::TextTeachers; }
    std::string GetDescription() const override { return "Text file, one teacher per line"; }
};

class ImporterTxtPupils : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterTxtPupils"; }
    ImporterKind GetKind() const override { return ImporterKind::TextPupils; }
    std::string GetDescription() const override { return "Text file, one pupil per line"; }
};

class ImporterXMLPupils : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterXMLPupils"; }
    ImporterKind GetKind() const override { return ImporterKind::XMLPupils; }
    std::string GetDescription() const override { return "XML file exported from another system"; }
};
