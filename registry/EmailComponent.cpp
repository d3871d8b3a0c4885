#include "public/EmailComponent.h"

#include "base/AppDataFolder.h"
#include "base/FileLock.h"
#include "base/Path.h"
#include "registry/InstalledList.h"

namespace {

constexpr char kCatalogueName[] = "EmailDB.ini";
constexpr char kInstalledListName[] = "AliveDB.ini";

}  // namespace

EmailComponent::EmailComponent() : EmailComponent(false) {}

// The catalogue ships with the host, so it is found beside the host's
// executable whatever the current folder and wherever the module lies.
EmailComponent::EmailComponent(bool detect) : m_cataloguePath(email32::base::HostExecutableFolder() + kCatalogueName) {
    // Without the per-user folder there is no installed list to keep, so the
    // object stays empty and nothing is detected.
    const std::optional<std::string> folder = email32::base::QueryAppDataFolder();
    if (!folder) return;
    m_installedListPath = *folder + kInstalledListName;

    if (detect) {
        InitEmailSysDB(true);
    }
}

EmailComponent::EmailComponent(const EmailComponent& other) = default;

EmailComponent& EmailComponent::operator=(const EmailComponent& other) = default;

EmailComponent::~EmailComponent() = default;

int EmailComponent::InitEmailSysDB(bool detect) {
    using namespace email32::registry;
    m_installed.clear();

    DetectedSystems found;
    if (detect) {
        found = DetectInstalled(m_cataloguePath);
        m_installed = found.installed;
    }

    // From writing or reading the list to writing the default, other objects
    // and processes wait: each sees, and leaves, one whole version.
    const email32::base::FileLock lock(m_installedListPath);
    if (!m_installedListPath.empty() && !lock.Held()) {
        // Another writer holds the file past all patience: nothing is
        // written, and the operation fails as it would without the file.
        m_installed.clear();
        m_defaultKey.clear();
        if (!detect) throw AliveDBNotExist();
        return 0;
    }
    if (detect) {
        StoreInstalled(m_installedListPath, found);
    } else {
        m_installed = LoadInstalled(m_installedListPath);
    }

    const std::optional<std::string> chosen =
        ChooseDefault(StoredDefault(m_installedListPath), m_installed, found.preferred);
    if (chosen) SetDefaultEmailSys(*chosen);
    return static_cast<int>(m_installed.size());
}
