// The program's 18 tool cursors, drawn as small bitmaps in the resources and installed under
// their numbers (1 "MYSB_DRAGC" ... 18 "FREESELCM").
#pragma once

#include <QCursor>
#include <QString>

namespace pixorama::ui {

inline constexpr int kCursorCount = 18;

// Loads every cursor from the resources; safe to call more than once.
void InstallCursors();
// Cursor number 1..18 (the arrow for any other number or before InstallCursors).
QCursor ProgramCursor(int number);
// Resource name of cursor number 1..18, empty otherwise.
QString CursorResourceName(int number);

} // namespace pixorama::ui
