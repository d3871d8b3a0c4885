// The send path for UTF-16 file names.
#pragma once

#include "public/EmailComponent.h"

#include <string>
#include <vector>

namespace email32 {

// SendMail for files named in UTF-16: same key rules, result and exceptions.
[[nodiscard]] bool SendWideFiles(const EmailComponent& component, const std::string& systemKey,
                                 const std::vector<std::wstring>& files);

}  // namespace email32
