#pragma once

// Marks the module's own entry points, the only names it exports.
#ifdef _WIN32
#define FT_EXPORT __declspec(dllexport)
#else
// The module is built with hidden visibility; these must still be seen.
#define FT_EXPORT __attribute__((visibility("default")))
#endif
