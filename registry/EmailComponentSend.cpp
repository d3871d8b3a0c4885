// EmailComponent's sends and its dialog: the component checks its lists and
// hands the rest to dispatch/ and sendui/.
#include "public/EmailComponent.h"

#include "dispatch/Links.h"
#include "registry/ComponentSends.h"
#include "sendui/SystemChoice.h"

namespace email32::registry {

namespace {

// The component's systems as the send options dialog lists them and takes
// the user's choice.
class ComponentChoice final : public sendui::SystemChoice {
public:
    explicit ComponentChoice(EmailComponent& component) : m_component(component) {}

    [[nodiscard]] std::vector<std::string> Installed() const override {
        std::vector<std::string> keys;
        m_component.GetAllAliveEmailSys(keys);
        return keys;
    }
    [[nodiscard]] std::string Title(const std::string& systemKey) const override {
        std::string title;
        m_component.GetEmailSysTitle(systemKey, title);
        return title;
    }
    [[nodiscard]] HICON Icon(const std::string& systemKey) const override {
        HICON icon = nullptr;
        m_component.GetEmailSysIcon(nullptr, systemKey, icon);
        return icon;
    }
    [[nodiscard]] std::string Default() const override {
        std::string systemKey;
        m_component.GetDefaultEmailSys(systemKey);
        return systemKey;
    }
    void SetDefault(const std::string& systemKey) override { m_component.SetDefaultEmailSys(systemKey); }
    [[nodiscard]] std::string InstalledListPath() const override { return m_component.InstalledListPath(); }

private:
    EmailComponent& m_component;
};

}  // namespace

dispatch::Handover SendFilesWithFields(const EmailComponent& component, const std::string& systemKey,
                                       const dispatch::MessageFields& fields, const dispatch::SendFiles& files) {
    std::vector<std::string> installed;
    component.GetAllAliveEmailSys(installed);  // EmailDBEmpty before anything else
    std::string defaultKey;
    component.GetDefaultEmailSys(defaultKey);
    return dispatch::SendToSystem(installed, defaultKey, component.CataloguePath(), systemKey, files, fields);
}

dispatch::Handover SendMessageWide(const EmailComponent& component, const std::string& systemKey,
                                   const dispatch::MessageFields& fields, const std::vector<std::wstring>& files) {
    return SendFilesWithFields(component, systemKey, fields, dispatch::FilesFromWide(files));
}

dispatch::Handover SendMailWide(const EmailComponent& component, const std::string& systemKey,
                                const std::vector<std::wstring>& files) {
    return SendMessageWide(component, systemKey, dispatch::MessageFields(), files);
}

}  // namespace email32::registry

bool EmailComponent::SendMail(const std::string& filePath, const std::string& systemKey) const {
    RequireNotEmpty();
    return SendMail(std::vector<std::string>{filePath}, systemKey);
}

bool EmailComponent::SendMail(const std::vector<std::string>& filePaths, const std::string& systemKey) const {
    return static_cast<bool>(email32::dispatch::SendToSystem(m_installed, m_defaultKey, m_cataloguePath, systemKey,
                                                             email32::dispatch::FilesFromAnsi(filePaths)));
}

void EmailComponent::PutItemArray(CPtrArray* items) { m_items = items; }

bool EmailComponent::SelectDefaultEmailSys(CWnd* parent) {
    RequireNotEmpty();
    email32::registry::ComponentChoice systems(*this);
    // Without an array from PutItemArray the dialog shows no attachments and
    // OK only stores the default.
    return email32::sendui::ShowSendOptions(parent, systems, m_items);
}
