// The e-mail system registry and sender that a host application uses.
#pragma once

#include "public/Email32Api.h"
#include "public/EmailExceptions.h"

#include <windows.h>

#include <string>
#include <vector>

class CPtrArray;
class CWnd;

class EMAIL32_API EmailComponent {
public:
    // Locates EmailDB.ini beside the host executable and AliveDB.ini in the
    // per-user folder; with detect true, builds the installed list at once.
    EmailComponent();
    explicit EmailComponent(bool detect);
    EmailComponent(const EmailComponent& other);
    EmailComponent& operator=(const EmailComponent& other);
    ~EmailComponent();

    // Detects (true) or loads from AliveDB.ini (false) the installed list and
    // chooses the default; returns the number of installed systems.
    int InitEmailSysDB(bool detect);

    void GetAllAliveEmailSys(std::vector<std::string>& systems) const;
    void SetDefaultEmailSys(const std::string& systemKey);
    void GetDefaultEmailSys(std::string& systemKey) const;
    void GetEmailSysTitle(const std::string& systemKey, std::string& title) const;
    void GetEmailSysTitleFromDB(const char* systemKey, std::string& title) const;
    void GetEmailSysIcon(HINSTANCE instance, const std::string& systemKey, HICON& icon) const;

    bool SendMail(const std::string& filePath, const std::string& systemKey) const;
    bool SendMail(const std::vector<std::string>& filePaths, const std::string& systemKey) const;

    void PutItemArray(CPtrArray* items);
    bool SelectDefaultEmailSys(CWnd* parent);

    // The two files the object works on, for diagnostics.
    [[nodiscard]] const std::string& CataloguePath() const noexcept { return m_cataloguePath; }
    [[nodiscard]] const std::string& InstalledListPath() const noexcept { return m_installedListPath; }

private:
    void RequireInstalled(const std::string& systemKey) const;
    void RequireNotEmpty() const;

    std::vector<std::string> m_installed;
    std::string m_defaultKey;
    std::string m_cataloguePath;
    std::string m_installedListPath;
    CPtrArray* m_items = nullptr;
};
