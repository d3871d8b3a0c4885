// What stands behind an Email32Context of the C interface, and the one place
// where the module's exceptions become result codes.
#pragma once

#include "public/EmailComponent.h"
#include "public/email32.h"

#include <string>
#include <vector>

struct Email32Context {
    explicit Email32Context(bool detect) : component(detect) {}
    EmailComponent component;
    std::string lastError;  // UTF-8: why the last send gave its result
};

namespace email32::hostapi {

// Runs an entry's body; nothing it throws leaves the interface.
template <class Body>
[[nodiscard]] int Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const EmailDBEmpty&) {
        return EMAIL32_NO_SYSTEMS;
    } catch (const EmailSysNotAlive&) {
        return EMAIL32_NOT_INSTALLED;
    } catch (const AliveDBNotExist&) {
        return EMAIL32_NO_STORED_LIST;
    } catch (...) {
        return EMAIL32_ERROR;
    }
}

// The installed list; EmailDBEmpty when it is empty.
[[nodiscard]] std::vector<std::string> InstalledSystems(const EmailComponent& component);

// The result for a key the ANSI code page cannot name: no installed key can
// equal it, but an empty list is reported first, as for any other key.
[[nodiscard]] int UnnameableKey(const EmailComponent& component);

}  // namespace email32::hostapi
