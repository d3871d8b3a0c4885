#include "tests/support/ObjectCounts.h"

#include <winternl.h>

#include <cstdint>
#include <vector>

namespace email32::test {
namespace {

// SystemHandleInformation (16): one record per open handle in the system.
struct SystemHandleRecord {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleRecord records[1];
};

// One entry of Wine's GDI handle table: 16384 entries of 24 bytes.
struct GdiTableEntry {
    std::uint64_t object;
    ULONG owner;
    USHORT unique;  // low byte: type, 0x80 for stock objects; high byte: generation
    UCHAR type;     // 0 for a free entry
    UCHAR flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiTableEntry) == 24, "Wine's GDI handle table entry");
constexpr int kWineGdiTableEntries = 16384;
constexpr USHORT kStockFlag = 0x80;
// Where the PEB keeps GdiSharedHandleTable.
#ifdef _WIN64
constexpr std::size_t kPebGdiTable = 0xF8;
#else
constexpr std::size_t kPebGdiTable = 0x94;
#endif

bool RunningUnderWine() { return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace

std::optional<DWORD> HandleCountFromSystemList() {
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return std::nullopt;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<BYTE> buffer(1 << 16);
    LONG status = 0;
    for (;;) {
        ULONG needed = 0;
        status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != kInfoLengthMismatch || buffer.size() >= (64u << 20)) break;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return std::nullopt;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    const DWORD self = ::GetCurrentProcessId();
    DWORD count = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        if (list->records[i].processId == self) ++count;
    }
    return count;
}

std::optional<DWORD> GdiObjectCountFromTable(DWORD objectType) {
    if (!RunningUnderWine()) return std::nullopt;
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (query == nullptr || query(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return std::nullopt;
    }
    const BYTE* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiTableEntry* const*>(peb + kPebGdiTable);
    if (table == nullptr) return std::nullopt;
    DWORD count = 0;
    for (int index = 0; index < kWineGdiTableEntries; ++index) {
        const GdiTableEntry& entry = table[index];
        if (entry.type == 0 || (entry.unique & kStockFlag)) continue;
        // The handle value the entry stands for; GetObjectType confirms it is live.
        const auto handle = reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(index | (entry.unique << 16)));
        const DWORD type = ::GetObjectType(handle);
        if (type != 0 && (objectType == 0 || type == objectType)) ++count;
    }
    return count;
}

}  // namespace email32::test
