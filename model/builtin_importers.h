#pragma once

#include "model/importer_base.h"

// The importers every event offers from the start: plain-text lists of teachers or pupils, one
// person a line, and the pupils and contacts of a school management system's XML export.

class ImporterTxtTeachers : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterTxtTeachers"; }
    std::string GetDescription() const override { return "Text file, one teacher per line"; }
};

class ImporterTxtPupils : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterTxtPupils"; }
    std::string GetDescription() const override { return "Text file, one pupil per line"; }
};

class ImporterXMLPupils : public ImporterBase {
public:
    const char* GetClassName() const override { return "ImporterXMLPupils"; }
    std::string GetDescription() const override { return "XML file exported from another system"; }
};
