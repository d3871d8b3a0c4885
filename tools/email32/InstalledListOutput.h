// The output that `detect` and `list` share.
#pragma once

class EmailComponent;

namespace email32::host {

// One line per installed system (key, title, found path, tab-separated), then
// "default: KEY". The module's exceptions pass through.
void PrintInstalledList(const EmailComponent& component);

}  // namespace email32::host
