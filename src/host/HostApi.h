#pragma once

// Host classes are defined in the host's library, not in the module. On Windows the host's
// own build defines FT_BUILDING_HOST to export them and every plug-in imports them; elsewhere
// a plug-in built with hidden visibility must still see them as the host's own.
#ifdef _WIN32
#ifdef FT_BUILDING_HOST
#define HOST_API __declspec(dllexport)
#else
#define HOST_API __declspec(dllimport)
#endif
#else
#define HOST_API __attribute__((visibility("default")))
#endif
