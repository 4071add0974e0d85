#pragma once

// The compiled-in string table lives in a static library, so nothing pulls it in by reference: every user of
// it calls this first. Calling it more than once is harmless.
void ensureResources();
