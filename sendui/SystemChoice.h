// The send options dialog as the rest of the module calls it: the e-mail
// systems it lists, and where the user's choice goes.
#pragma once

#include "public/framework/Collections.h"

#include <windows.h>

#include <string>
#include <vector>

class CWnd;

namespace email32::sendui {

// The installed e-mail systems, as the dialog shows them and takes the
// user's choice of the default.
class SystemChoice {
public:
    virtual ~SystemChoice() = default;
    [[nodiscard]] virtual std::vector<std::string> Installed() const = 0;
    [[nodiscard]] virtual std::string Title(const std::string& systemKey) const = 0;
    // The system's own icon, which the caller destroys; null when it has none.
    [[nodiscard]] virtual HICON Icon(const std::string& systemKey) const = 0;
    [[nodiscard]] virtual std::string Default() const = 0;
    virtual void SetDefault(const std::string& systemKey) = 0;
    // The per-user file that keeps the photo option beside the installed list.
    [[nodiscard]] virtual std::string InstalledListPath() const = 0;
};

// Shows the dialog with the module's own template and texts, whatever the
// host has made current. With items, the attachments are listed and, on OK,
// rebuilt as chosen; without, OK only stores the default. True on OK.
[[nodiscard]] bool ShowSendOptions(CWnd* parent, SystemChoice& systems, CPtrArray* items);

}  // namespace email32::sendui
