#pragma once

// Host classes are defined in the host library; a plug-in built with hidden
// visibility must still see them as the host's own.
#define HOST_API __attribute__((visibility("default")))
