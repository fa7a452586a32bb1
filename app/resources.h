#pragma once

// The icons and pictures live in a static library, whose resource
// registration the linker would otherwise drop: every window that shows them
// calls this first. Calling it again is harmless.
void initVestraResources();
