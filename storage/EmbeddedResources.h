#pragma once
// The table of files compiled in from resources/ (generated at build time).

#include <cstddef>

struct TEmbeddedResource {
    const char* Name;            // file name without folder and extension, lower case
    const unsigned char* Bytes;  // followed by a 0 byte that is not part of the size
    std::size_t Size;
};

extern const TEmbeddedResource EmbeddedResources[];
extern const int EmbeddedResourceCount;
