// Resource ids of the runtime stub, shared by its resource script and its code. A build
// replaces the icon group and the version resource with the project's own.
#pragma once

#define IDI_RUNTIME 107
