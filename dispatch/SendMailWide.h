// The send entry for file paths in UTF-16, for hosts whose files the ANSI
// code page cannot name. Same keys, result and exceptions as the list form
// of EmailComponent::SendMail: "" means the default system; EmailDBEmpty
// when nothing is installed, EmailSysNotAlive for a key not installed.
#pragma once

#include "public/EmailComponent.h"

#include <string>
#include <vector>

namespace email32 {

[[nodiscard]] bool SendMailWide(const EmailComponent& component, const std::string& systemKey,
                                const std::vector<std::wstring>& files);

}  // namespace email32
