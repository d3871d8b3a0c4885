#pragma once

#if defined(EMAIL32_BUILDING)
#define EMAIL32_API __declspec(dllexport)
#else
#define EMAIL32_API __declspec(dllimport)
#endif
