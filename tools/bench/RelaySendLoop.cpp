// RelaySendLoop SYSTEM COUNT FILE...: a host that sends the files COUNT times
// through EmailComponent::SendMail to an installed system (the mail-server
// plug-in, link type 7, in practice) and prints how much committed memory
// the sends left behind. For scripts/bench-relay and the relay scenarios.
#include "public/EmailComponent.h"
#include "public/EmailExceptions.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Private bytes. Wine answers 0 for the process counter, so there the
// committed private regions are added up instead.
unsigned long long CommittedBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters) &&
        counters.PrivateUsage != 0) {
        return counters.PrivateUsage;
    }
    unsigned long long total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: RelaySendLoop SYSTEM COUNT FILE...\n");
        return 64;
    }
    const std::string system = argv[1];
    const int count = std::atoi(argv[2]);
    const std::vector<std::string> files(argv + 3, argv + argc);
    try {
        EmailComponent component(false);
        component.InitEmailSysDB(false);
        // Warm-up: the first sends load what stays loaded.
        constexpr int kWarmUp = 20;
        for (int i = 0; i < kWarmUp; ++i) {
            if (!component.SendMail(files, system)) {
                std::fprintf(stderr, "RelaySendLoop: not handed over\n");
                return 1;
            }
        }
        const unsigned long long before = CommittedBytes();
        for (int i = 0; i < count; ++i) (void)component.SendMail(files, system);
        const unsigned long long after = CommittedBytes();
        const double growth = static_cast<double>(after) - static_cast<double>(before);
        std::printf("%d sends after %d: committed memory %+.1f KB (%+.0f bytes per send)\n", count, kWarmUp,
                    growth / 1024, count > 0 ? growth / count : 0.0);
        return 0;
    } catch (const EmailSysNotAlive& e) {
        std::fprintf(stderr, "RelaySendLoop: %s is not installed\n", e.SystemKey().c_str());
    } catch (const EmailDBEmpty&) {
        std::fprintf(stderr, "RelaySendLoop: no e-mail system is installed\n");
    } catch (const AliveDBNotExist&) {
        std::fprintf(stderr, "RelaySendLoop: AliveDB.ini holds no installed list\n");
    }
    return 2;
}
