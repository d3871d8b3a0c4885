// A catalogue in a throwaway folder and program files to find, for tests of
// the detection methods.
#pragma once

#include "registry/Detection.h"
#include "registry/DetectionMethods.h"
#include "tests/support/ScratchMachine.h"
#include "tests/support/TestEnvironment.h"

#include <string>

namespace email32::test {

class DetectionScene {
public:
    DetectionScene() : m_folder("detect") {}
    [[nodiscard]] const std::string& folder() const { return m_folder.path(); }
    [[nodiscard]] std::string catalogue() const { return m_folder / "EmailDB.ini"; }
    // The catalogue's text: one section, "Sys", with these key lines.
    void Catalogue(const std::string& keyLines) const { WriteFile(catalogue(), "[Sys]\r\n" + keyLines); }
    // A program file in the scene's folder (or a subfolder), returning its path.
    std::string Program(const std::string& relativePath) const {
        const std::string path = m_folder / relativePath;
        const size_t slash = path.find_last_of('\\');
        ::CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
        WriteFile(path, "program");
        return path;
    }
    // Runs one method; foundPath starts as "unchanged".
    bool Run(registry::DetectionMethod method, std::string& foundPath) const {
        foundPath = "unchanged";
        return method(base::CatalogueEntry("Sys", catalogue()), foundPath);
    }
    bool Detect(std::string& foundPath) const {
        foundPath = "unchanged";
        return registry::DetectEmailSystem(base::CatalogueEntry("Sys", catalogue()), foundPath);
    }

private:
    TempFolder m_folder;
};

}  // namespace email32::test
