#pragma once

// Makes the compiled-in icons available. The resources live in a static library, whose
// registration would otherwise be dropped by the linker; call before the first icon is used.
void initAppResources();
