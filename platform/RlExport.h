// Visibility of the geometry library's exported functions.
//
// The library is built with hidden visibility; only declarations marked RL_API are
// exported from the shared library. Internal helpers carry no mark and stay hidden.
#ifndef RL_EXPORT_H
#define RL_EXPORT_H

#if defined(_WIN32)
#if defined(RL_BUILDING_LIBRARY)
#define RL_API __declspec(dllexport)
#else
#define RL_API __declspec(dllimport)
#endif
#else
#define RL_API __attribute__((visibility("default")))
#endif

#endif
