#pragma once
// One visit to the value-edit page: the keys change a setting in memory at
// once, so the page remembers what the settings were when it opened. BACK puts
// them back and leaves with nothing changed.
struct Works;

// Remembers the settings as the page opens.
void BeginValueEdit(Works* works);
// Puts back every setting changed since BeginValueEdit.
void CancelValueEdit(Works* works);
