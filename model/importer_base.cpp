#include "model/importer_base.h"

ImporterBase* FindImporterByDescription(const UCUniqueOrdered& importers,
                                        const std::string& description) {
    for (UCCollectable* element : importers) {
        auto* importer = dynamic_cast<ImporterBase*>(element);
        if (importer != nullptr && importer->GetDescription() == description) {
            return importer;
        }
    }
    return nullptr;
}
