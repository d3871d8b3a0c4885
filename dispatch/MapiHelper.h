// A Simple MAPI send handed to the helper program of the other bitness,
// which loads a library this process cannot and makes the calls that this
// process would make.
#pragma once

#include "dispatch/SendRequest.h"
#include "dispatch/SimpleMapi.h"

#include <string>

namespace email32::dispatch {

// Writes the send's request into a folder of its own under the per-user
// temporary folder, starts the helper by its full path beside the module
// with the request's path, waits for it (the caller's window keeps handling
// its messages, as the provider's windows may send it some) and deletes the
// request. The helper's exit code is the Simple MAPI result.
[[nodiscard]] MapiResult MapiSendThroughHelper(const SendRequest& request, const std::string& library);

}  // namespace email32::dispatch
