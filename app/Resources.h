#pragma once

// The compiled-in resources (string table, icons, help) live in a static library, so nothing pulls them in
// by reference: every user of them calls this first. Calling it more than once is harmless.
void EnsureResources();
