// A folder laid out as a host deployment for the links: the catalogue, the
// installed list (made the module's AliveDB path), the recording doubles and
// the log they write to.
#pragma once

#include "dispatch/AliveDbPath.h"
#include "dispatch/Links.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace email32::test {

using Fields = std::vector<std::string>;

inline Fields SplitFields(const std::string& line) {
    Fields fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

class SendScene {
public:
    SendScene() : m_folder("send") {
        ::SetEnvironmentVariableA("E32_DOUBLE_LOG", log().c_str());
        dispatch::SetModuleAliveDbPath(m_folder / "AliveDB.ini");
    }
    ~SendScene() { ::SetEnvironmentVariableA("E32_DOUBLE_LOG", nullptr); }
    SendScene(const SendScene&) = delete;
    SendScene& operator=(const SendScene&) = delete;

    [[nodiscard]] std::string folder() const { return m_folder.path(); }
    [[nodiscard]] std::string catalogue() const { return m_folder / "EmailDB.ini"; }
    [[nodiscard]] std::string log() const { return m_folder / "record.log"; }

    // The section "Sys" of the catalogue and of the installed list.
    void Catalogue(const std::string& keyLines) const { WriteFile(catalogue(), "[Sys]\r\n" + keyLines); }
    void Installed(const std::string& keyLines) const { WriteFile(m_folder / "AliveDB.ini", "[Sys]\r\n" + keyLines); }

    // A file of the build copied into a subfolder of the scene.
    std::string Add(const std::string& buildFile, const std::string& relativePath) const {
        const std::string path = m_folder / relativePath;
        const size_t slash = path.find_last_of('\\');
        ::CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
        const std::string source =
            FileExists(DoublesFolder() + buildFile) ? DoublesFolder() + buildFile : BinFolder() + buildFile;
        CopyFileOrFail(source, path);
        return path;
    }
    // An empty file to send.
    std::string Attachment(const std::string& relativePath) const {
        const std::string path = m_folder / relativePath;
        const size_t slash = path.find_last_of('\\');
        ::CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
        WriteFile(path, "picture");
        return path;
    }

    // The request a send to the system "Sys" makes, the scene's folder
    // standing for the per-user folder.
    [[nodiscard]] dispatch::SendRequest Request(dispatch::SendFiles files) const {
        return dispatch::MakeSendRequest(base::CatalogueEntry("Sys", catalogue()), m_folder.path(), std::move(files));
    }
    dispatch::Handover Send(dispatch::Link link, const dispatch::FileList& files) const {
        return link(Request(dispatch::FilesFromAnsi(files)));
    }
    dispatch::Handover SendWide(dispatch::Link link, const std::vector<std::wstring>& files) const {
        return link(Request(dispatch::FilesFromWide(files)));
    }
    // A send with the fields of a message.
    dispatch::Handover SendMessage(dispatch::Link link, const dispatch::FileList& files,
                                   const dispatch::MessageFields& fields) const {
        std::string problem;
        const std::optional<dispatch::Recipients> recipients = dispatch::ReadRecipients(fields, problem);
        EXPECT_TRUE(recipients) << problem;
        return link(dispatch::MakeSendRequest(base::CatalogueEntry("Sys", catalogue()), m_folder.path(),
                                              dispatch::FilesFromAnsi(files), fields,
                                              recipients.value_or(dispatch::Recipients())));
    }

    // Every recorded line, split into fields.
    [[nodiscard]] std::vector<Fields> Records() const {
        std::vector<Fields> records;
        std::istringstream in(ReadFile(log()));
        std::string line;
        while (std::getline(in, line)) records.push_back(SplitFields(line));
        return records;
    }
    [[nodiscard]] std::vector<Fields> Records(const std::string& kind) const {
        std::vector<Fields> found;
        for (const Fields& record : Records()) {
            if (!record.empty() && record[0] == kind) found.push_back(record);
        }
        return found;
    }

    // Waits until count records of a kind are there and returns them in the
    // order their programs started (their second field).
    [[nodiscard]] std::vector<Fields> Started(const std::string& kind, size_t count) const {
        std::vector<Fields> found;
        // Generous: a hundred Wine process starts on a loaded machine take a while.
        for (int tries = 0; tries < 3600; ++tries) {
            found = Records(kind);
            if (found.size() >= count) break;
            ::Sleep(25);
        }
        ::Sleep(100);  // a record beyond the expected ones has its chance to show
        found = Records(kind);
        std::stable_sort(found.begin(), found.end(),
                         [](const Fields& a, const Fields& b) { return a.at(1) < b.at(1); });
        return found;
    }

    // The (command line, folder) pairs of count mail programs, in start order.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> Runs(size_t count) const {
        std::vector<std::pair<std::string, std::string>> result;
        for (const Fields& run : Started("run", count)) result.emplace_back(run.at(2), run.size() > 3 ? run.at(3) : "");
        return result;
    }

    // The arguments (UTF-8) of count mail programs, in start order.
    [[nodiscard]] std::vector<Fields> Arguments(size_t count) const {
        std::vector<Fields> result;
        for (const Fields& run : Started("run", count))
            result.emplace_back(run.begin() + std::min<size_t>(5, run.size()), run.end());
        return result;
    }

private:
    TempFolder m_folder;
};

}  // namespace email32::test
