// Kestrel's version, defined once for the code (window title, about box) and the resource compiler
// (version record): plain macros, since windres reads this file too.
#pragma once

#define KESTREL_VERSION_MAJOR 3
#define KESTREL_VERSION_MINOR 1
#define KESTREL_VERSION_PATCH 0
#define KESTREL_VERSION_BUILD 0
#define KESTREL_VERSION_STRING "3.1.0.0"
