#include "public/EmailComponent.h"

#include "base/AppDataFolder.h"
#include "base/Path.h"

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
    const std::optional<std::string> folder = email32::QueryAppDataFolder();
    if (!folder) return;
    m_installedListPath = *folder + kInstalledListName;

    if (detect) {
        InitEmailSysDB(true);
    }
}

EmailComponent::EmailComponent(const EmailComponent& other) = default;

EmailComponent& EmailComponent::operator=(const EmailComponent& other) = default;

EmailComponent::~EmailComponent() = default;
