// The code of the versioned test libraries; only their resources matter.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl VersionedLibraryMarker() { return 1; }
