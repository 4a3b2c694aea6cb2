#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The icon and bitmap resource numbers the pages name, in one table: each maps
// to a freedesktop theme icon where a fitting one exists and always has a
// drawing of our own, used when the theme lacks the icon or no name fits.

// The icon for a resource number; a null icon for a number not in the table.
QIcon ZELVIcon(int resourceId);
// Our own drawing of the icon at the given size, ignoring the theme.
QPixmap ZELVOwnIcon(int resourceId, int size = 16);
// The theme name the table gives, empty when none fits.
QString ZELVIconThemeName(int resourceId);
bool ZELVHasIcon(int resourceId);

// The bitmaps: 200 wizard header, 201 About and splash, 202 wizard watermark.
// A null pixmap for any other number.
QPixmap ZELVBitmap(int resourceId);
