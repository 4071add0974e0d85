#pragma once

// The compiled-in icons and help pages (and the core's string table): call before using them.
void ensureGuiResources();
