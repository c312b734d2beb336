// Resource ids shared by kestrel.rc and the code (plain macros: the resource compiler reads this too).
#pragma once

#define KESTREL_IDI_APP 1
