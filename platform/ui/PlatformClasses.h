// The standard controls, menus, dialogs and timers as form resources name them.
#pragma once

// Registers them with their streamed properties ("Items.Strings"), the tab sheets' nesting and the modal result
// names; once.
void RegisterPlatformClasses();
