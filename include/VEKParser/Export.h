#pragma once

// Marks the classes and functions that programs outside the library may use. The library is
// compiled with hidden visibility, so everything without this mark stays internal and never
// clashes with its callers' symbols.
#define VEKPARSER_API __attribute__((visibility("default")))
