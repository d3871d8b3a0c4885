// The component's sends beyond its exported SendMail: file paths in UTF-16,
// for hosts whose files the ANSI code page cannot name, and sends that carry
// recipients, a subject and a text. Same keys and exceptions as the list
// form of EmailComponent::SendMail: "" means the default system;
// EmailDBEmpty when nothing is installed, EmailSysNotAlive for a key not
// installed. The result says what became of the hand-over.
#pragma once

#include "dispatch/Handover.h"
#include "dispatch/SendRequest.h"
#include "public/EmailComponent.h"

#include <string>
#include <vector>

namespace email32::registry {

[[nodiscard]] dispatch::Handover SendMailWide(const EmailComponent& component, const std::string& systemKey,
                                              const std::vector<std::wstring>& files);

// The same for files already read into send files (FilesFromAnsi,
// FilesFromWide).
[[nodiscard]] dispatch::Handover SendFilesWithFields(const EmailComponent& component, const std::string& systemKey,
                                                     const dispatch::MessageFields& fields,
                                                     const dispatch::SendFiles& files);

// The same with the fields, which go wherever the system's link can carry
// them; with every field empty exactly a send of the files.
[[nodiscard]] dispatch::Handover SendMessageWide(const EmailComponent& component, const std::string& systemKey,
                                                 const dispatch::MessageFields& fields,
                                                 const std::vector<std::wstring>& files);

}  // namespace email32::registry
