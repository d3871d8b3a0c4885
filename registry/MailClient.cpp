#include "registry/MailClient.h"

namespace email32 {

bool GetDefaultMailClientName(std::string& /*name*/) { return false; }

bool CheckMailClientRegistration(const char* /*systemKey*/, const std::string& /*clientName*/,
                                 const char* /*cataloguePath*/) {
    return true;
}

bool ReadMachineString(const char* /*subKey*/, const char* /*valueName*/, char* /*buffer*/,
                       std::size_t /*bufferSize*/) {
    return false;
}

}  // namespace email32
