// What became of one hand-over to a mail program, and why, in one line of
// English. SendMail's contract reads only whether the hand-over was
// attempted; the C interface tells the rest.
#pragma once

#include <string>
#include <utility>

namespace email32::dispatch {

class Handover {
public:
    enum class State {
        kRefused,     // nothing was attempted: a key, library, entry or program is missing, or a file unnameable
        kHandedOver,  // the mail program or library has the files
        kFailed,      // attempted, but the program did not start or the library reported failure
        kCancelled,   // the user cancelled in the library's own window
    };

    [[nodiscard]] static Handover HandedOver() { return Handover(State::kHandedOver, std::string()); }
    [[nodiscard]] static Handover Refused(std::string reason) { return Handover(State::kRefused, std::move(reason)); }
    [[nodiscard]] static Handover Failed(std::string reason) { return Handover(State::kFailed, std::move(reason)); }
    [[nodiscard]] static Handover Cancelled(std::string reason) {
        return Handover(State::kCancelled, std::move(reason));
    }

    // True once the hand-over was attempted, whatever came of it.
    [[nodiscard]] explicit operator bool() const noexcept { return m_state != State::kRefused; }
    [[nodiscard]] State state() const noexcept { return m_state; }
    [[nodiscard]] const std::string& reason() const noexcept { return m_reason; }

private:
    Handover(State state, std::string reason) : m_state(state), m_reason(std::move(reason)) {}

    State m_state;
    std::string m_reason;
};

}  // namespace email32::dispatch
