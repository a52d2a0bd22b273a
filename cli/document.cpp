#include "cli/document.h"

#include "base/version.h"

bool load_and_link(CScenario& doc, const std::string& path) {
    doc.SetVersionText(kVersionText);
    return doc.Load(path) == 0 && doc.Link() == 0;
}

ReadFileSet files_read(const CScenario& doc, const std::string& scenarioPath) {
    ReadFileSet read = doc.FilesRead();
    read.Add(scenarioPath);
    return read;
}
